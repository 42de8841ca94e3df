#include "formats/reader_common.h"

#include "formats/bytes.h"

namespace gb {

std::string FileRuleText(std::string_view text, std::string* droppedTopology) {
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos && droppedTopology != nullptr) {
        const std::string_view suffix = text.substr(colon);
        *droppedTopology = suffix.substr(0, suffix.find_last_not_of(" \t\r\n") + 1);
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
