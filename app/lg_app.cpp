#include "app/lg_app.h"

#include "app/main_frame.h"
#include "view/lg_view.h"

namespace gb {

CLGApp::CLGApp() = default;
CLGApp::~CLGApp() = default;

void CLGApp::Start() {
    InitField(ctx_);
    frame_ = std::make_unique<CMainFrame>(ctx_);
    host_.setMainWindow(frame_.get());
    host_.setView(frame_->view());
    frame_->show();
}

}  // namespace gb
