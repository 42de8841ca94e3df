// Quick launch: up to fifty prepared pattern files listed in quicklaunch.dat beside the program.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace gb {

struct Context;

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

// Makes the program's directory current and reads quicklaunch.dat there, with a box when the
// file is missing or of another version.
void ReadQuickLaunchFile(Context& ctx, QuickLaunch& list);

// What item n (1..50) shows when the menu opens.
struct QuickLaunchItemState {
    bool enabled = false;
    bool checked = false;
    std::string text;  // "title\tsuffix" or the placeholder "- クイック起動 n -"
};
QuickLaunchItemState UpdateQuickLaunchItem(const Context& ctx, const QuickLaunch& list, int n);

// The three ways of opening a pattern by path.
struct PathOpeners {
    std::function<int(Context&, const std::string&)> life;
    std::function<int(Context&, const std::string&)> text;
    std::function<int(Context&, const std::string&)> rle;
};

// The item command: currentQuickLaunchItem = n, pause the run (not resumed), program directory
// current, the reader chosen by the extension, documentPath = current directory + path.
void OpenQuickLaunchItem(Context& ctx, const QuickLaunch& list, int n, const PathOpeners& open);

// True when the line holds something besides white space and ideographic spaces.
bool IsNonBlankLine(std::string_view line);

}  // namespace gb
