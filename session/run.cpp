#include "session/run.h"

#include "session/context.h"

namespace gb {

void StartRun(Context& ctx) {
    ctx.run.runTimerResult = ctx.host.setTimer(RUN_TIMER, ctx.run.timerInterval);
    ctx.run.running = true;
}

void StopRun(Context& ctx) {
    if (ctx.run.runTimerResult == RUN_TIMER) ctx.host.killTimer(RUN_TIMER);
    ctx.run.running = false;
}

void PauseRun(Context& ctx) {
    ctx.run.runningBeforePause = ctx.run.running;
    StopRun(ctx);
}

void ResumeRun(Context& ctx) {
    if (ctx.run.runningBeforePause) StartRun(ctx);
}

void RefreshCursor(Context& ctx) {
    Pointer shape = Pointer::Arrow;
    if (ctx.run.busy)
        shape = Pointer::Wait;
    else if (ctx.view.editMode)
        shape = ctx.host.shiftHeld() ? Pointer::SizeAll : Pointer::Cross;
    else if (ctx.view.leftDown)
        shape = Pointer::SizeAll;
    ctx.host.setPointer(shape);
}

void SetBusy(Context& ctx, bool busy) {
    ctx.run.setBusy(busy);
    RefreshCursor(ctx);
}

BusyScope::BusyScope(Context& ctx) : ctx_(ctx) { SetBusy(ctx_, true); }

BusyScope::~BusyScope() { end(); }

void BusyScope::end() {
    if (ended_) return;
    ended_ = true;
    SetBusy(ctx_, false);
}

}  // namespace gb
