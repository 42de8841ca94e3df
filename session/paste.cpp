#include "session/paste.h"

#include <algorithm>
#include <string>

#include "engine/rule.h"
#include "formats/bytes.h"
#include "formats/reader_common.h"
#include "formats/rle_reader.h"
#include "session/context.h"
#include "session/document.h"
#include "session/read_guard.h"
#include "session/run.h"
#include "session/shell.h"
#include "session/zoom.h"

namespace gb {

namespace {

constexpr std::size_t kShownBytes = 800;

bool IsLeadingSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view TrimLeft(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && IsLeadingSpace(s[i])) ++i;
    return s.substr(i);
}

std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    std::size_t end = s.size();
    while (end > 0 && IsLeadingSpace(s[end - 1])) --end;
    return s.substr(0, end);
}

// Every occurrence of what, left to right, removed.
std::string RemoveAll(std::string_view text, std::string_view what) {
    std::string out;
    out.reserve(text.size());
    std::size_t pos = 0;
    while (true) {
        const std::size_t hit = text.find(what, pos);
        if (hit == std::string_view::npos) break;
        out.append(text.substr(pos, hit - pos));
        pos = hit + what.size();
    }
    out.append(text.substr(pos));
    return out;
}

// The state every successful paste leaves: no file behind the pattern.
void FinishPaste(Context& ctx) {
    ctx.shell.documentPath = kNewDocumentName;
    SetMainTitle(ctx, kNewDocumentName);
    ctx.shell.currentQuickLaunchItem = 0;
    ctx.view.offsetX = ctx.view.offsetY = 0;
}

// A picture line: from pos up to the next CR or LF; that byte and one more CR or LF right after
// it are passed over.
std::string_view NextPictureLine(std::string_view text, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') ++pos;
    const std::string_view line = text.substr(start, pos - start);
    if (pos < text.size()) {
        ++pos;
        if (pos < text.size() && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
    }
    return line;
}

void PastePicture(Context& ctx, std::string_view clipboard) {
    std::string text(clipboard);
    text += '\n';
    text = RemoveAll(text, "\t");
    text = ReplacePictureCharacters(text, SquareEncodingOf(text));

    std::string leftover;
    for (char c : text)
        if (c != '\r' && c != '\n' && c != '.' && c != '*' && c != ' ') leftover += c;
    if (!leftover.empty()) {
        ctx.shell.messageCaption = "クリップボードのテキストに下記の無効なデータが含まれています。";
        const std::string shown = DisplayText(CutAtCharacter(leftover, kShownBytes));
        if (AppMessageBox(ctx, shown + "\r\n\r\n貼り付けを強行しますか。", Icon::Exclamation,
                          Buttons::YesNo, Button::No) != Button::Yes)
            return;
    }

    long long lines = 0;
    long long longest = 0;
    for (std::size_t pos = 0; pos < text.size(); ++lines)
        longest =
            std::max<long long>(longest, static_cast<long long>(NextPictureLine(text, pos).size()));

    Field& f = ctx.field;
    const long long originX = (f.gridWidth - (longest - 2)) / 2;
    const long long originY = (f.gridHeight - (lines - 1)) / 2;

    // Nothing has changed so far; what follows is put back should memory run out.
    ApplyWithinMemory(ctx, [&] {
        ctx.rule.ruleText = kDefaultRule;
        ctx.rule.ruleText = ApplyRule(ctx, ctx.rule.ruleText);
        ClearCells(f);
        f.generation = 0;
        long long k = 0;
        for (std::size_t pos = 0; pos < text.size(); ++k) {
            const std::string_view line = NextPictureLine(text, pos);
            const long long y = k + originY;
            if (y < 1 || y > f.gridHeight - 2) continue;
            // Positions i with 1 <= i + originX <= gridWidth - 2, a run of "*" at a time.
            const auto from = static_cast<std::size_t>(std::max<long long>(0, 1 - originX));
            const auto to = static_cast<std::size_t>(std::clamp<long long>(
                f.gridWidth - 1 - originX, 0, static_cast<long long>(line.size())));
            for (std::size_t i = line.find('*', from); i < to; i = line.find('*', i)) {
                const std::size_t end = std::min(line.find_first_not_of('*', i), to);
                f.fillRow(static_cast<int>(y),
                          static_cast<int>(static_cast<long long>(i) + originX),
                          static_cast<int>(static_cast<long long>(end) - 1 + originX));
                i = end;
            }
        }

        FitZoomToPattern(ctx);
        FinishPaste(ctx);
        ctx.host.repaintView();
    });
}

// The RLE paste's pattern in place: the grid cleared and the cells placed, the zoom fitted, the
// rule, no file behind it, the view, and the comments.
void ApplyPastedPattern(Context& ctx, const ReadPattern& pattern) {
    PlacePattern(ctx.field, pattern.cells);
    FitZoomToPattern(ctx);
    ctx.rule.ruleText = ApplyRule(ctx, FileRuleText(pattern.rule.value_or(kDefaultRule)));
    FinishPaste(ctx);
    ctx.host.invalidateView();

    const std::string_view shown = Trim(pattern.notice);
    if (!shown.empty()) {
        ctx.shell.messageCaption =
            "RLEデータ貼り付け機能。下記の文字列はコメントとして扱われ、"
            "パターンデータとしては認識されません。";
        AppMessageBox(ctx, DisplayText(CutAtCharacter(shown, kShownBytes)), Icon::Information);
    }
}

}  // namespace

int PasteRle(Context& ctx, std::string_view text) {
    CheckMemory(ctx);
    PauseRun(ctx);
    // Indentation by four blanks and tabs goes; line ends are taken as a file's are.
    const std::string source = TextModeBytes(RemoveAll(RemoveAll(text, "    "), "\t"));

    Field& f = ctx.field;
    TextInput input(source, false);
    const PatternRead read = ParseRle(input, PasteRleParams(f), f.staging());
    if (!read.read()) {
        ctx.shell.messageCaption = read.refusal.caption;
        AppMessageBox(ctx, read.refusal.text, Icon::Exclamation);
        return 1;
    }
    return ApplyWithinMemory(ctx, [&] { ApplyPastedPattern(ctx, read.pattern); }) ? 0 : 1;
}

namespace {

void PasteClipboardText(Context& ctx) {
    std::optional<std::string> clipboard = ctx.host.clipboardText();
    if (!clipboard) {
        ctx.shell.messageCaption = "クリップボードのデータがテキスト形式ではないようです。";
        AppMessageBox(ctx, "クリップボードからのデータ取得に失敗しました。", Icon::Information);
        return;
    }
    // The clipboard's text is a NUL-terminated string: whatever follows the first NUL is not text.
    if (const std::size_t end = clipboard->find('\0'); end != std::string::npos)
        clipboard->resize(end);
    if (clipboard->empty()) {
        ctx.shell.messageCaption = "クリップボードに有効なデータがありません。";
        AppMessageBox(ctx, "貼り付けできません。", Icon::Information);
        return;
    }
    const std::string_view trimmed = TrimLeft(*clipboard);
    if (!trimmed.empty() && (trimmed[0] == 'x' || trimmed[0] == '#')) {
        PasteRle(ctx, trimmed);
        return;
    }
    PastePicture(ctx, *clipboard);
}

}  // namespace

void PasteFromClipboard(Context& ctx) {
    CheckMemory(ctx);
    PauseRun(ctx);
    ReadWithinMemory(ctx, [&ctx] { PasteClipboardText(ctx); });
}

bool UpdatePasteCommand(Context& ctx) { return ctx.host.clipboardText().has_value(); }

}  // namespace gb
