#include "app/lg_app.h"

#include <filesystem>

#include "app/doc_manager.h"
#include "app/main_frame.h"
#include "app/profile.h"
#include "engine/rule.h"
#include "view/lg_view.h"

namespace gb {

CLGApp::CLGApp(QtHost* host, const QString& profilePath)
    : ownHost_(host == nullptr ? std::make_unique<QtHost>() : nullptr),
      host_(host == nullptr ? *ownHost_ : *host),
      profilePath_(profilePath) {}

CLGApp::~CLGApp() = default;

bool CLGApp::Start(const std::string& commandLineFile) {
    // The view's creation makes the program's directory current: a relative path on the command
    // line is taken from the directory the program was started in.
    std::string file = commandLineFile;
    if (!file.empty()) {
        std::error_code error;
        const std::filesystem::path full = std::filesystem::absolute(file, error);
        if (!error) file = full.lexically_normal().string();
    }
    profile_ = OpenProfile(profilePath_);
    frame_ = std::make_unique<CMainFrame>(ctx_);
    host_.setMainWindow(frame_.get());
    host_.setView(frame_->view());
    frame_->setSettingsWriter([this] { SaveDisplaySettings(*profile_, ctx_.display); });
    frame_->docManager().setProfile(profile_.get());
    CreateView();
    frame_->show();
    frame_->view()->setFocus();
    // The window is shown first, so the loaded pattern is fitted to the view's real size.
    if (!file.empty()) return frame_->docManager().OpenDocumentFile(file);
    return true;
}

// What the view's creation sets up, in this order.
void CLGApp::CreateView() {
    ctx_.view.leftDown = ctx_.view.rightDown = false;
    InitField(ctx_);
    ReadQuickLaunchFile(ctx_, frame_->quickLaunch());
    ctx_.run.reset();
    ctx_.view.offsetX = ctx_.view.offsetY = 0;
    frame_->quickLaunch().displayMode = QuickLaunchDisplayMode::NoFileName;
    ctx_.rule.ruleText = kDefaultRule;
    ctx_.rule.ruleText = ApplyRule(ctx_, ctx_.rule.ruleText);
    ctx_.view.zoomLabelShown = ctx_.view.zoomLabelTimerPending = true;
    LoadDisplaySettings(*profile_, ctx_.display);
}

}  // namespace gb
