// The main window: menu bar and the view as its client area. No toolbar, no status bar.
#pragma once

#include <QMainWindow>
#include <memory>

#include "app/commands.h"

namespace gb {

struct Context;
class CLGView;
class MenuBar;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(Context& ctx, QWidget* parent = nullptr);
    ~CMainFrame() override;

    CLGView* view() const { return view_; }
    CommandRegistry& commands() { return commands_; }
    MenuBar& menus() { return *menus_; }

private:
    void RegisterCommands();

    Context& ctx_;
    CLGView* view_;
    CommandRegistry commands_;
    std::unique_ptr<MenuBar> menus_;
};

}  // namespace gb
