#include "session/scroll.h"

#include <cmath>

#include "engine/extent.h"
#include "session/context.h"
#include "session/run.h"
#include "session/zoom.h"

namespace gb {

bool CanZoomIn(const Context& ctx) { return ctx.view.zoomStep < kZoomStepCount - 1; }
bool CanZoomOut(const Context& ctx) { return ctx.view.zoomStep > 0; }

void ZoomIn(Context& ctx) {
    if (CanZoomIn(ctx)) SetZoomStep(ctx, ctx.view.zoomStep + 1);
}

void ZoomOut(Context& ctx) {
    if (CanZoomOut(ctx)) SetZoomStep(ctx, ctx.view.zoomStep - 1);
}

void WheelZoom(Context& ctx, int delta) {
    std::int16_t& acc = ctx.view.wheelAccumulator;
    acc = static_cast<std::int16_t>(acc + delta);  // 16-bit, wrapping
    if (acc <= -120) {
        acc = 0;
        ZoomOut(ctx);
    }
    if (acc >= 120) {
        acc = 0;
        ZoomIn(ctx);
    }
}

void ZoomDialogCommand(Context& ctx, const AskZoomNumber& ask) {
    PauseRun(ctx);
    if (const auto number = ask(ctx.view.zoomStep - 4)) {
        if (*number >= kMinZoomNumber && *number <= kMaxZoomNumber) SetZoomStep(ctx, *number + 4);
    }
    ResumeRun(ctx);
}

double ScrollRoom(const Context& ctx, ScrollDirection dir, int clientW, int clientH) {
    const bool horizontal = dir == ScrollDirection::Left || dir == ScrollDirection::Right;
    const int half = (horizontal ? ctx.field.gridWidth : ctx.field.gridHeight) / 2;
    const double margin = ((horizontal ? clientW : clientH) - 80) / ctx.view.zoom / 2;
    const double offset = horizontal ? ctx.view.offsetX : ctx.view.offsetY;
    const bool backward = dir == ScrollDirection::Left || dir == ScrollDirection::Up;
    return half - margin + (backward ? offset : -offset);
}

bool CanScroll(const Context& ctx, ScrollDirection dir, int clientW, int clientH) {
    return ScrollRoom(ctx, dir, clientW, clientH) > 1;
}

void ScrollView(Context& ctx, ScrollDirection dir, int clientW, int clientH, bool shift) {
    const double step = shift ? 10 : 1;
    const double room = ScrollRoom(ctx, dir, clientW, clientH);
    const double s = step <= room ? step : std::trunc(room);
    if (!(s < room)) return;
    float& offset = (dir == ScrollDirection::Left || dir == ScrollDirection::Right)
                        ? ctx.view.offsetX
                        : ctx.view.offsetY;
    const bool backward = dir == ScrollDirection::Left || dir == ScrollDirection::Up;
    offset = static_cast<float>(backward ? offset - s : offset + s);
    ctx.host.invalidateView();
}

void CentreViewOn(Context& ctx, double x, double y) {
    ctx.view.offsetX = static_cast<float>(x - ctx.field.gridWidth / 2.0);
    ctx.view.offsetY = static_cast<float>(y - ctx.field.gridHeight / 2.0);
    ctx.host.invalidateView();
}

bool CanScrollToFieldCentre(const Context& ctx) {
    return ctx.view.offsetX != 0 || ctx.view.offsetY != 0;
}

void ScrollToFieldCentre(Context& ctx) {
    ctx.view.offsetX = 0;
    ctx.view.offsetY = 0;
    ctx.host.invalidateView();
}

void ScrollToExtentCentre(Context& ctx) {
    const Extent e = FieldExtent(ctx.field);
    if (!e.found) return;
    CentreViewOn(ctx, (e.left + e.right) / 2.0 + 0.5, (e.top + e.bottom) / 2.0 + 0.5);
}

void ScrollToCentroid(Context& ctx) {
    CheckMemory(ctx);
    if (!HasLiveCells(ctx.view)) return;
    const Field& f = ctx.field;
    const CentroidSums sums = SumLiveCells(f);
    const double sumX = sums.sumX, sumY = sums.sumY, count = sums.count;
    // The last frame counted cells that are gone now: no mean to go to, the view stays.
    if (count == 0) return;
    const double cx = static_cast<float>(sumX / count) + 0.5;
    const double cy = static_cast<float>(sumY / count) + 0.5;
    CentreViewOn(ctx, cx, cy);
}

}  // namespace gb
