// Fitting the zoom to the pattern's extent.
#include <gtest/gtest.h>

#include "session/scroll.h"
#include "session/zoom.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(FitZoom, ChoosesTheLargestZoomUpToSixThatLeavesRoom) {
    test::TestContext t;
    auto fit = [&](int w, int h) {
        ClearCells(t.ctx.field);
        for (int x = 0; x < w; ++x) t.ctx.field.setCell(100 + x, 100, 1);
        for (int y = 0; y < h; ++y) t.ctx.field.setCell(100, 100 + y, 1);
        FitZoomToPattern(t.ctx);
        EXPECT_EQ(t.ctx.view.zoom, ZoomSteps[static_cast<std::size_t>(t.ctx.view.zoomStep)]);
        return t.ctx.view.zoomStep;
    };
    EXPECT_EQ(fit(10, 10), 10);     // 133 × 100 cells visible at zoom 6
    EXPECT_EQ(fit(200, 1), 7);      // zoom 3: 266 × 200 visible
    EXPECT_EQ(fit(1100, 1100), 3);  // 1/2 shows 1200 rows, too few; 1/4 shows 2400
    t.host.clientSize.reset();      // no window: 800 × 600
    EXPECT_EQ(fit(200, 1), 7);
    t.host.clientSize = std::make_pair(10, 10);
    EXPECT_EQ(fit(1100, 1100), 0);  // even 1/32 is not enough: stops at step 0
}

TEST(FitZoom, EmptyFieldResetsTheStepAndItsZoomTogether) {
    for (int from : {0, 20}) {
        test::TestContext t;
        SetZoomStep(t.ctx, from);
        t.ctx.view.zoomLabelShown = false;
        FitZoomToPattern(t.ctx);
        EXPECT_EQ(t.ctx.view.zoomStep, 10);
        EXPECT_EQ(t.ctx.view.zoom, 6);
        EXPECT_FALSE(t.ctx.view.zoomLabelShown);
        // The next zoom key moves from what is shown: 6 out to 5.
        ZoomOut(t.ctx);
        EXPECT_EQ(t.ctx.view.zoom, 5);
    }
}

}  // namespace
}  // namespace gb
