// Plain state of the view, the run and the display settings. The Qt side draws from it and
// turns events into changes of it; the core reads it for the pointer, moves and readers.
#pragma once

#include <cstdint>

namespace gb {

inline constexpr int kDefaultZoomStep = 10;

struct ViewState {
    int zoomStep = kDefaultZoomStep;  // index into ZoomSteps
    double zoom = 6;                  // pixels per cell
    float offsetX = 0, offsetY = 0;   // client centre minus field centre, in cells
    float viewLeft = 0, viewTop = 0;  // field point at the client's top-left pixel (last frame)
    double pixelRatio = 1;            // image pixels per client pixel of the last frame
    // Live cells as the most recent frame counted them: the commands that need a pattern ask
    // this, so they follow what the screen shows.
    double population = 0;
    std::int16_t wheelAccumulator = 0;
    bool zoomLabelShown = true;
    bool zoomLabelTimerPending = true;

    bool editMode = false;
    bool leftDown = false;
    bool rightDown = false;
    double dragAnchorX = 0, dragAnchorY = 0;
};

// True when the most recent frame counted any live cell.
inline bool HasLiveCells(const ViewState& view) { return view.population != 0; }

inline constexpr int kDefaultTimerInterval = 40;

// The run and the long operations on the Field. Changed through the operations below and those
// of run.h (StartRun, StopRun, PauseRun, ResumeRun, BusyScope); the fields stay readable.
struct RunState {
    bool running = false;
    bool runningBeforePause = false;
    int timerInterval = kDefaultTimerInterval;  // ms
    int runTimerResult = 0;                     // what setting RUN_TIMER last returned
    bool stopArmed = false;
    std::int32_t stopGeneration = 0;
    // A long operation on the Field is under way (the pointer shows it).
    int busy = 0;
    // True while the field-size command rebuilds the blocks: a frame drawn then (from a message
    // box's nested loop) must draw nothing, since a block may be released or not yet carried.
    bool rebuilding = false;

    // What a new view starts with: stopped, at the default interval.
    void reset() {
        running = false;
        timerInterval = kDefaultTimerInterval;
    }
    // Holds the run without touching its timer: ticks that still arrive find it stopped.
    void hold() {
        runningBeforePause = running;
        running = false;
    }
    // Lets a held run go on as it was.
    void release() { running = runningBeforePause; }
    void setTimerInterval(int ms) { timerInterval = ms; }
    // The run stops on reaching generation (armStop), or at no particular one (disarmStop).
    void armStop(std::int32_t generation) {
        stopGeneration = generation;
        stopArmed = true;
    }
    void disarmStop() { stopArmed = false; }
    // Busy (SetBusy also refreshes the pointer; a box about a failure lowers busy on its own).
    void setBusy(bool on) { busy = on ? 1 : 0; }
};

// Colours are 0x00BBGGRR.
struct DisplaySettings {
    std::uint32_t liveColor = 0x0000FF;
    std::uint32_t backColor = 0xFFFFFF;
    std::uint32_t gridColor = 0xDCDCDC;
    bool gridShown = false;
};

}  // namespace gb
