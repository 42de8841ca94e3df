// The tool speaks one language: the program's messages (readers, writers, rule checks, memory) in
// English, unless the user's locale is Japanese, when they stay as the program shows them.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace gb::cli {

// A caption or text the program shows, and its English. "{}" stands where the message takes a
// path, a rule, characters from the file or the system's reason, in the same order in both.
struct MessageLine {
    std::string_view program;
    std::string_view english;
};

// Every caption and text the formats and the rule and memory checks show.
std::span<const MessageLine> MessageLines();

// The English of a caption or text the program shows; anything the table does not hold (a
// file's own notice, a file name) comes back as it is.
std::string InEnglish(std::string_view text);

// Whether the messages stay Japanese: the first of LC_ALL, LC_MESSAGES and LANG that is set and
// not empty starts with "ja". Each value is what the variable holds, or nothing when unset.
bool JapaneseMessages(std::optional<std::string_view> lcAll,
                      std::optional<std::string_view> lcMessages,
                      std::optional<std::string_view> lang);
// The same for this process's environment.
bool JapaneseMessages();

}  // namespace gb::cli
