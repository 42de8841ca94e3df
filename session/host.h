// The one narrow way from the Qt-free layers to the user and the screen.
//
// The session and the formats never touch a widget, a timer or the clipboard directly: they ask
// the Host.
// The program supplies a Qt implementation; tests supply a scripted one that records every box
// and answers from a script; the command-line tool supplies one that writes boxes to stderr.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace gb {

enum class Icon { None, Information, Exclamation, Question, Stop };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Button { Ok, Cancel, Yes, No };

struct MessageBox {
    std::string caption;
    std::string text;  // may hold "\r\n" or "\n\r": shown as plain line breaks
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The button that Enter presses; when empty, the first one (OK or Yes).
    std::optional<Button> defaultButton;
};

enum class Pointer { Arrow, Wait, SizeAll, Cross };

// Timer ids of the view.
inline constexpr int RUN_TIMER = 1;
inline constexpr int ZOOM_LABEL_TIMER = 2;

class Host {
public:
    virtual ~Host() = default;

    // Shows a modal box and returns the button pressed.
    virtual Button showMessage(const MessageBox& box) = 0;

    // The main window's title; ignored while there is no main window.
    virtual bool hasMainWindow() const = 0;
    virtual void setWindowTitle(const std::string& title) = 0;

    // Pointer shape over the view and the Shift key's state.
    virtual void setPointer(Pointer shape) = 0;
    virtual bool shiftHeld() const = 0;

    // View timers. setTimer returns the id on success and 0 on failure; setting a running timer
    // restarts it with the new period.
    virtual int setTimer(int id, int intervalMs) = 0;
    virtual void killTimer(int id) = 0;

    // Asks the view to redraw: later (invalidate) or before returning (repaint).
    virtual void invalidateView() = 0;
    virtual void repaintView() = 0;

    // The clipboard's plain text as UTF-8 bytes, or nothing when it holds no text.
    virtual std::optional<std::string> clipboardText() = 0;

    // Client size in pixels of the active top-level window, when there is one.
    virtual std::optional<std::pair<int, int>> activeClientSize() const = 0;

    // Full path of the program file, empty when unknown. An installed program answers as if it
    // stood in its data directory, beside its quick-launch list and samples.
    virtual std::string programPath() const = 0;

    // Ends the process with this status. Never returns to the caller (the test stand-in throws).
    [[noreturn]] virtual void exitProcess(int status) = 0;
};

}  // namespace gb
