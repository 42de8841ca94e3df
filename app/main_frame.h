// The main window: menu bar and the view as its client area. No toolbar, no status bar.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "app/commands.h"
#include "app/display_commands.h"
#include "session/quick_launch_menu.h"

namespace gb {

struct Context;
class CLGView;
class CMyDocManager;
class MenuBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(Context& ctx, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CLGView* view() const { return view_; }
    CommandRegistry& commands() { return commands_; }
    MenuBar& menus() { return *menus_; }
    QuickLaunch& quickLaunch() { return quickLaunch_; }
    CMyDocManager& docManager() { return *docManager_; }

    // Called when quitting is confirmed, to write the display settings.
    void setSettingsWriter(std::function<void()> writer) { writeSettings_ = std::move(writer); }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void RegisterCommands();

    Context& ctx_;
    CLGView* view_;
    CommandRegistry commands_;
    CustomColors customColors_;
    QuickLaunch quickLaunch_;
    std::unique_ptr<CMyDocManager> docManager_;
    std::function<void()> writeSettings_;
    std::unique_ptr<MenuBar> menus_;
};

}  // namespace gb
