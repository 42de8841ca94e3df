// The quick launch menu over the session: reading the list beside the program, the items' texts
// and check marks, and opening an item.
#pragma once

#include <functional>
#include <string>

#include "formats/quick_launch.h"

namespace gb {

struct Context;

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

}  // namespace gb
