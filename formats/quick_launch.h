// The quick launch list: up to fifty prepared pattern files listed in quicklaunch.dat beside the
// program, as titles and paths.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace gb {

inline constexpr int kQuickLaunchMax = 50;
// An item text holds at most this many bytes.
inline constexpr std::size_t kQuickLaunchItemBytes = 999;

struct QuickLaunchEntry {
    std::string title;  // bytes as in the list file
    std::string path;
};

enum class QuickLaunchDisplayMode { NoFileName = 0, FileName = 1, FullPath = 2 };

struct QuickLaunch {
    std::array<QuickLaunchEntry, kQuickLaunchMax + 1> entries;  // 1..50
    int quickLaunchCount = 0;
    QuickLaunchDisplayMode displayMode = QuickLaunchDisplayMode::NoFileName;
};

// Fills the table from the list's bytes; returns false (count 0) when the magic line is wrong.
bool ParseQuickLaunchList(std::string_view bytes, QuickLaunch& list);

// How reading the list file went.
enum class QuickLaunchListRead { Read, Missing, OtherVersion };
// Reads the list file at path into list: Missing (list untouched) when it is not a regular file
// that can be read, without ever waiting on the opening; OtherVersion (count 0) when its magic
// line is wrong.
QuickLaunchListRead ReadQuickLaunchList(const std::string& path, QuickLaunch& list);

// An entry's path as this system spells it: lists written elsewhere separate folders with "\".
std::string QuickLaunchLocalPath(std::string path);

// True when the line holds something besides white space and ideographic spaces.
bool IsNonBlankLine(std::string_view line);

}  // namespace gb
