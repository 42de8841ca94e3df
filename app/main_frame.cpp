#include "app/main_frame.h"

#include "app/field_commands.h"
#include "app/menu_bar.h"
#include "core/context.h"
#include "view/lg_view.h"

namespace gb {

CMainFrame::CMainFrame(Context& ctx, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), view_(new CLGView(ctx, this)) {
    setWindowTitle(kAppName);
    setCentralWidget(view_);
    resize(800, 600);
    RegisterCommands();
    menus_ = std::make_unique<MenuBar>(this, menuBar(), commands_);
}

CMainFrame::~CMainFrame() = default;

// Every subsystem adds its commands here, each through its own Register... function.
void CMainFrame::RegisterCommands() {
    // The standard edit commands stay disabled: there is no undo, cut or copy.
    RegisterFieldCommands(ctx_, commands_, this);
}

}  // namespace gb
