// The Host of gridbloom-cli: no window, no timers; every message box goes to standard error as its
// caption and its text, and questions are answered No (or Yes with --yes).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/host.h"

namespace gb::cli {

class CliHost : public Host {
public:
    // english: captions and texts are printed in English (see english.h).
    explicit CliHost(bool answerYes, bool english = false) : answerYes_(answerYes), english_(english) {}

    Button showMessage(const MessageBox& box) override;

    // The tool reports as if it had a main window, so that the readers' last step of a successful
    // load (naming the window after the file) reaches it: a refused or unreadable file never
    // sets the title. See titleSet() and boxesSinceTitle().
    bool hasMainWindow() const override { return true; }
    void setWindowTitle(const std::string& title) override;

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

    // Forgets the title and the boxes seen so far (called before a load).
    void resetRecord();
    // Information boxes captioned caption after the title (a file's notice texts) are recorded
    // but not printed.
    void holdNotices(std::string caption) { heldCaption_ = std::move(caption); }
    bool titleSet() const { return titleSet_; }
    // The boxes shown since resetRecord, and those after the most recent title, in order.
    const std::vector<MessageBox>& boxes() const { return boxes_; }
    std::vector<MessageBox> boxesSinceTitle() const;
    // Whether any question was answered No or Cancel since resetRecord.
    bool declinedQuestion() const { return declined_; }

private:
    bool answerYes_;
    bool english_;
    std::optional<std::string> heldCaption_;
    bool titleSet_ = false;
    bool declined_ = false;
    std::vector<MessageBox> boxes_;
    std::size_t boxesAtTitle_ = 0;
};

// A box as the tool prints it: caption, line break, text with its line ends made plain, line
// break; in English when english is set.
std::string BoxLines(const MessageBox& box, bool english = false);

}  // namespace gb::cli
