#include "app/main_frame.h"

#include "core/context.h"
#include "view/lg_view.h"

namespace gb {

CMainFrame::CMainFrame(Context& ctx, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), view_(new CLGView(ctx, this)) {
    setWindowTitle(kAppName);
    setCentralWidget(view_);
    resize(800, 600);
}

}  // namespace gb
