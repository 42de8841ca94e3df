#include "app/lg_app.h"

#include "app/main_frame.h"
#include "core/rule.h"
#include "view/lg_view.h"

namespace gb {

CLGApp::CLGApp() = default;
CLGApp::~CLGApp() = default;

void CLGApp::Start() {
    InitField(ctx_);
    // The view's starting state: stopped at 40 ms, offsets 0, "23/3", the zoom label showing.
    ctx_.run.running = false;
    ctx_.run.timerInterval = kDefaultTimerInterval;
    ctx_.view.offsetX = ctx_.view.offsetY = 0;
    ctx_.rule.ruleText = ApplyRule(ctx_, kDefaultRule);
    ctx_.view.zoomLabelShown = ctx_.view.zoomLabelTimerPending = true;
    frame_ = std::make_unique<CMainFrame>(ctx_);
    host_.setMainWindow(frame_.get());
    host_.setView(frame_->view());
    frame_->show();
    frame_->view()->setFocus();
}

}  // namespace gb
