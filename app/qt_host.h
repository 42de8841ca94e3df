// The Host of the real program: Qt message boxes, the main window's title, the view's pointer and
// timers, the system clipboard.
#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include "session/host.h"

namespace gb {

class CLGView;

// Puts a box's text of many lines into a scrolling area, so the box fits the screen.
void FitLongText(QMessageBox& box);

// The program works from the directory that holds its quick-launch list and samples: its own
// directory in a build or a copied folder, <prefix>/share/gridbloom when installed. Answers the
// program file's path as if it stood there.
QString ProgramWorkingPath(const QString& programFile);

class QtHost : public Host {
public:
    void setMainWindow(QWidget* window) { mainWindow_ = window; }
    void setView(CLGView* view);

    Button showMessage(const MessageBox& box) override;
    bool hasMainWindow() const override { return !mainWindow_.isNull(); }
    void setWindowTitle(const std::string& title) override;
    void setPointer(Pointer shape) override;
    bool shiftHeld() const override;
    int setTimer(int id, int intervalMs) override;
    void killTimer(int id) override;
    void invalidateView() override;
    void repaintView() override;
    std::optional<std::string> clipboardText() override;
    std::optional<std::pair<int, int>> activeClientSize() const override;
    std::string programPath() const override;
    [[noreturn]] void exitProcess(int status) override;

private:
    QPointer<QWidget> mainWindow_;
    QPointer<CLGView> view_;
};

}  // namespace gb
