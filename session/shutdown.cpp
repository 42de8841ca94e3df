#include "session/shutdown.h"

#include "session/context.h"

namespace gb {

bool CanCloseFrame(Context& ctx, const std::function<void()>& writeSettings) {
    RunState& run = ctx.run;
    // Suspend without the pause bracket: ticks that still arrive find the run stopped.
    run.hold();
    if (ctx.shell.quitQuestionShown) {
        run.release();
        return false;
    }
    ctx.shell.quitQuestionShown = true;
    ctx.shell.messageCaption = kAppName;
    const Button answer = AppMessageBox(ctx, "終了しますか。", Icon::Information, Buttons::YesNo);
    ctx.shell.quitQuestionShown = false;
    if (answer != Button::Yes) {
        run.release();
        return false;
    }
    ReleaseField(ctx.field);
    if (writeSettings) writeSettings();
    return true;
}

}  // namespace gb
