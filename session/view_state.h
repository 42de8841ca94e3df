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
    std::int16_t wheelAccumulator = 0;
    bool zoomLabelShown = true;
    bool zoomLabelTimerPending = true;

    bool editMode = false;
    bool leftDown = false;
    bool rightDown = false;
    double dragAnchorX = 0, dragAnchorY = 0;
};

inline constexpr int kDefaultTimerInterval = 40;

struct RunState {
    bool running = false;
    bool runningBeforePause = false;
    int timerInterval = kDefaultTimerInterval;  // ms
    int runTimerResult = 0;                     // what setting RUN_TIMER last returned
    bool stopArmed = false;
    std::int32_t stopGeneration = 0;
};

// Colours are 0x00BBGGRR.
struct DisplaySettings {
    std::uint32_t liveColor = 0x0000FF;
    std::uint32_t backColor = 0xFFFFFF;
    std::uint32_t gridColor = 0xDCDCDC;
    bool gridShown = false;
};

}  // namespace gb
