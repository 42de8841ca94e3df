#include "app/main_frame.h"

#include <QCloseEvent>
#include <QIcon>

#include "app/doc_manager.h"
#include "app/edit_commands.h"
#include "app/field_commands.h"
#include "app/menu_bar.h"
#include "app/quick_launch_commands.h"
#include "app/shell_commands.h"
#include "app/view_commands.h"
#include "session/context.h"
#include "session/document.h"
#include "session/shutdown.h"
#include "view/lg_view.h"

namespace gb {

CMainFrame::CMainFrame(Context& ctx, QWidget* parent)
    : QMainWindow(parent),
      ctx_(ctx),
      view_(new CLGView(ctx, this)),
      docManager_(std::make_unique<CMyDocManager>(ctx, this)) {
    setWindowTitle(kAppName);
    InitResources();
    setWindowIcon(QIcon(":/icons/gridbloom.png"));
    setCentralWidget(view_);
    resize(800, 600);
    RegisterCommands();
    commands_.setMemoryFailure([&ctx] { EndForLackOfMemory(ctx); });
    menus_ = std::make_unique<MenuBar>(this, menuBar(), commands_);
    InstallRecentFileMenu(*menus_, commands_);
}

CMainFrame::~CMainFrame() = default;

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!CanCloseFrame(ctx_, writeSettings_)) {
        event->ignore();
        return;
    }
    // The Field is gone now: no tick or label timer may draw another frame, which would find
    // the memory missing and end the program with status 1.
    view_->killViewTimer(RUN_TIMER);
    view_->killViewTimer(ZOOM_LABEL_TIMER);
    event->accept();
}

// Every subsystem adds its commands here, each through its own Register... function.
// The standard edit commands (undo, cut, copy, the standard paste) are never registered, so they
// stay disabled.
void CMainFrame::RegisterCommands() {
    RegisterShellCommands(commands_, ctx_, this);
    RegisterDisplayCommands(commands_, ctx_, customColors_);
    RegisterRunAndViewCommands(commands_, ctx_, *view_);
    RegisterFieldCommands(ctx_, commands_, this);
    RegisterEditCommands(commands_, ctx_);
    RegisterDocumentCommands(commands_, ctx_, *docManager_);
    RegisterQuickLaunchCommands(commands_, ctx_, quickLaunch_,
                                PathOpeners{OpenLifePath, OpenTextPath, OpenRlePath});
}

}  // namespace gb
