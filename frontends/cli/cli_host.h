// The Host of gridbloom-cli: no window, no timers; every message box goes to standard error as its
// caption and its text, and questions are answered No (or Yes with --yes).
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "session/host.h"

namespace gb::cli {

class CliHost : public Host {
public:
    // english: captions and texts are printed in English (see english.h).
    explicit CliHost(bool answerYes, bool english = false)
        : answerYes_(answerYes), english_(english) {}

    Button showMessage(const MessageBox& box) override;

    bool hasMainWindow() const override { return false; }
    void setWindowTitle(const std::string&) override {}

    void setPointer(Pointer) override {}
    bool shiftHeld() const override { return false; }
    int setTimer(int id, int) override { return id; }
    void killTimer(int) override {}
    void invalidateView() override {}
    void repaintView() override {}
    std::optional<std::string> clipboardText() override { return std::nullopt; }
    std::optional<std::pair<int, int>> activeClientSize() const override { return std::nullopt; }
    std::string programPath() const override;
    [[noreturn]] void exitProcess(int status) override;

private:
    bool answerYes_;
    bool english_;
};

// A box as the tool prints it: caption, line break, text with its line ends made plain, line
// break; in English when english is set.
std::string BoxLines(const MessageBox& box, bool english = false);

}  // namespace gb::cli
