#include "session/zoom.h"

#include <cmath>

#include "engine/extent.h"
#include "session/context.h"

namespace gb {

void SetZoomStep(Context& ctx, int n) {
    ctx.view.zoomStep = n;
    ctx.view.zoom = ZoomSteps[static_cast<std::size_t>(n)];
    ctx.view.zoomLabelShown = true;
    ctx.view.zoomLabelTimerPending = true;
    ctx.host.invalidateView();
}

void FitZoomToPattern(Context& ctx) {
    ViewState& v = ctx.view;
    v.zoomStep = kDefaultZoomStep;
    const auto client = ctx.host.activeClientSize().value_or(std::make_pair(800, 600));
    const Extent e = FieldExtent(ctx.field);
    // An empty field has nothing to fit: the view goes to step 10 as a whole, zoom with its step,
    // so that the next zoom key moves from what is shown.
    if (!e.found) {
        v.zoom = ZoomSteps[static_cast<std::size_t>(v.zoomStep)];
        return;
    }
    for (;;) {
        const double step = ZoomSteps[static_cast<std::size_t>(v.zoomStep)];
        const double columns = std::trunc(client.first / step);
        const double rows = std::trunc(client.second / step);
        if (columns * 0.9 > e.width && rows * 0.9 > e.height) break;
        if (v.zoomStep <= 0) break;
        --v.zoomStep;
    }
    v.zoom = ZoomSteps[static_cast<std::size_t>(v.zoomStep)];
    v.zoomLabelShown = true;
    v.zoomLabelTimerPending = true;
}

}  // namespace gb
