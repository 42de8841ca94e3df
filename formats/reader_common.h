// What the three pattern readers share: the rule text from a file, the control lines' text and
// the notice texts' limit.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace gb {

// A rule as files and the clipboard spell it, made readable for ApplyRule: everything from the
// first ":" on (a topology such as ":T100,100") is dropped, and the lettered form is recognised
// whatever the case of "B" and "S" ("b3/s23", "s23/b3"). The topology suffix dropped
// (":T100,100", trailing blanks left out) goes to droppedTopology when there is one: the Field
// is bounded whatever the rule asked for, and a front end may say so.
std::string FileRuleText(std::string_view text, std::string* droppedTopology = nullptr);

// The text after a two-byte control mark such as "#D", without one leading blank.
std::string_view ControlLineText(std::string_view line);

// A notice (comments, descriptions) is kept up to this many bytes of the file, what a message
// box can show; time and memory then follow the pattern, not the notice.
inline constexpr std::size_t kNoticeLimit = 64 * 1024;
// Said at the end of a notice whose rest was left out.
inline constexpr std::string_view kNoticeCutNote = "\n（長いため、以降は省略しました。）\n";

// A notice gathered line by line, each line shown from the encoding it is in. From the first
// line that would take it past kNoticeLimit bytes of the file on, lines are left out.
struct NoticeText {
    std::string text;
    std::size_t bytes = 0;  // bytes of the file taken into text
    bool cut = false;
    void append(std::string_view line);
    // The text with kNoticeCutNote when lines were left out.
    std::string shown() const;
};

}  // namespace gb
