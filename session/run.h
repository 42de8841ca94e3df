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

// Sets busy and refreshes the pointer for the length of a long operation on the Field.
class BusyScope {
public:
    explicit BusyScope(Context& ctx);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    Context& ctx_;
};

}  // namespace gb
