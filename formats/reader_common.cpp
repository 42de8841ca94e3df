#include "formats/reader_common.h"

#include "session/context.h"
#include "session/run.h"
#include "session/shell.h"
#include "formats/bytes.h"

namespace gb {

void ReportFileNotFound(Context& ctx, const std::string& path) {
    ctx.run.busy = 0;
    RefreshCursor(ctx);
    ctx.shell.messageCaption = "ファイルが見つかりません。";
    AppMessageBox(ctx, "ファイル\"" + path + "\"が見つかりません。", Icon::Exclamation);
}

namespace {

std::string& LastDroppedTopology() {
    static std::string suffix;
    return suffix;
}

}  // namespace

std::string DroppedTopology() { return LastDroppedTopology(); }

void ForgetDroppedTopology() { LastDroppedTopology().clear(); }

std::string FileRuleText(std::string_view text) {
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view suffix = text.substr(colon);
        LastDroppedTopology() = suffix.substr(0, suffix.find_last_not_of(" \t\r\n") + 1);
    }
    std::string out(text.substr(0, colon));
    for (char& c : out) {
        if (c == 'b') c = 'B';
        if (c == 's') c = 'S';
    }
    return out;
}

std::string_view ControlLineText(std::string_view line) {
    std::string_view text = line.size() > 2 ? line.substr(2) : std::string_view();
    if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

void NoticeText::append(std::string_view line) {
    if (cut || bytes + line.size() > kNoticeLimit) {
        cut = true;
        return;
    }
    text += DisplayText(line);
    bytes += line.size();
}

std::string NoticeText::shown() const { return cut ? text + std::string(kNoticeCutNote) : text; }

}  // namespace gb
