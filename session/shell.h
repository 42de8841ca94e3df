// Message boxes, the window title, where the current pattern came from, and path helpers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "session/host.h"

namespace gb {

struct Context;

inline constexpr const char* kAppName = "Gridbloom";
inline constexpr const char* kNewDocumentName = "新規";

struct ShellState {
    // Caption of the next application message box; back to "Gridbloom" after every box.
    std::string messageCaption = kAppName;
    // Where the current pattern came from: a path, "新規", or empty.
    std::string documentPath;
    // 1..50: opened from that quick-launch item; 0: none; -1: dropped on the view.
    int currentQuickLaunchItem = 0;
    // The main window's title as SetMainTitle last set it.
    std::string windowTitle = kAppName;
    // The quit question is on screen (a second close request is refused meanwhile).
    bool quitQuestionShown = false;
};

// The application message box: captioned messageCaption for this one box, "Gridbloom" after.
Button AppMessageBox(Context& ctx, const std::string& text, Icon icon,
                     Buttons buttons = Buttons::Ok,
                     std::optional<Button> defaultButton = std::nullopt);

// A box owned by a window, which passes its caption directly and leaves messageCaption alone.
Button ViewMessageBox(Context& ctx, const std::string& caption, const std::string& text, Icon icon,
                      Buttons buttons = Buttons::Ok,
                      std::optional<Button> defaultButton = std::nullopt);

// Title = text + " - Gridbloom", when the main window exists.
void SetMainTitle(Context& ctx, const std::string& text);

// Path helpers. "/" and "\" both separate directories (lists written elsewhere use "\").
std::string ExtensionOf(std::string_view path);     // last "." on, ASCII lower-cased; else whole
std::string StripExtension(std::string_view path);  // before the last "."; else whole
std::string DirectoryOf(std::string_view path);     // before the last separator; else whole
std::string FileNameOf(std::string_view path);      // after the last separator; else whole

// Makes the program's directory the current directory; failures are ignored.
void SetProgramDirectoryCurrent(Context& ctx);

}  // namespace gb

namespace gb {
// A system text with "\r\n" or "\n\r" line ends as plain "\n" line breaks, for showing.
std::string DisplayLines(std::string_view text);
}  // namespace gb
