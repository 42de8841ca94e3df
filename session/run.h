// The run and its pause bracket, and the pointer shape.
#pragma once

namespace gb {

struct Context;

void StartRun(Context& ctx);   // sets RUN_TIMER with timerInterval; running = true
void StopRun(Context& ctx);    // kills RUN_TIMER when it was set; running = false
void PauseRun(Context& ctx);   // remembers running, then stops
void ResumeRun(Context& ctx);  // starts again when the last pause found the run going

// Chooses the pointer from busy, editMode, Shift and leftDown.
void RefreshCursor(Context& ctx);

// Raises (or lowers) busy, the mark of a long operation on the Field, and refreshes the pointer.
void SetBusy(Context& ctx, bool busy);

// Busy for the length of a long operation on the Field: raised at the start, lowered at the end
// or earlier with end() (before a box that follows the work).
class BusyScope {
public:
    explicit BusyScope(Context& ctx);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    void end();

private:
    Context& ctx_;
    bool ended_ = false;
};

}  // namespace gb
