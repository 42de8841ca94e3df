// Zoom steps and the fit of the zoom to a freshly placed pattern.
#pragma once

#include <array>

namespace gb {

struct Context;

inline constexpr int kZoomStepCount = 25;
// Pixels per cell: 1/32, 1/16, 1/8, 1/4, 1/2, 1, 2, 3, ..., 20.
inline constexpr std::array<double, kZoomStepCount> ZoomSteps{
    1.0 / 32, 1.0 / 16, 1.0 / 8, 1.0 / 4, 1.0 / 2, 1,  2,  3,  4,  5,  6,  7, 8,
    9,        10,       11,      12,      13,      14, 15, 16, 17, 18, 19, 20};

// zoomStep = n, zoom from the table, zoom label shown again; invalidates the view.
void SetZoomStep(Context& ctx, int n);

// Chooses the largest zoom up to 6 at which the pattern fills less than 90 % of the active
// window's client area (800 × 600 when unknown). Does not touch the offsets.
void FitZoomToPattern(Context& ctx);

}  // namespace gb
