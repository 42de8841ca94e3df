#include "core/engine/extent.h"

#include <gtest/gtest.h>

#include <random>

#include "core/scroll.h"
#include "core/zoom.h"
#include "tests/support/scripted_host.h"

namespace gb {
namespace {

Extent BruteExtent(const std::vector<std::int8_t>& g, int w, int h) {
    Extent e;
    e.left = w;
    e.top = h;
    e.right = e.bottom = -1;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (g[static_cast<std::size_t>(y * w + x)] != 0) {
                e.found = 1;
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
                e.top = std::min(e.top, y);
                e.bottom = std::max(e.bottom, y);
            }
    e.width = e.right - e.left + 1;
    e.height = e.bottom - e.top + 1;
    return e;
}

TEST(Extent, MatchesABruteForceBoxOnRandomGrids) {
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + static_cast<int>(rng() % 20), h = 1 + static_cast<int>(rng() % 20);
        std::vector<std::int8_t> g(static_cast<std::size_t>(w * h), 0);
        const int n = static_cast<int>(rng() % 4);
        for (int i = 0; i < n; ++i) g[rng() % g.size()] = static_cast<std::int8_t>(1 + rng() % 3);
        const Extent got = GridExtent(g.data(), w, h);
        const Extent want = BruteExtent(g, w, h);
        ASSERT_EQ(got.found, want.found);
        if (!want.found) continue;
        EXPECT_EQ(got.left, want.left);
        EXPECT_EQ(got.top, want.top);
        EXPECT_EQ(got.right, want.right);
        EXPECT_EQ(got.bottom, want.bottom);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
    }
}

TEST(Extent, FieldAndLoadArea) {
    test::TestContext t;
    EXPECT_EQ(FieldExtent(t.ctx.field).found, 0);
    t.ctx.field.setCell(10, 20, 1);
    t.ctx.field.setCell(30, 5, 1);
    const Extent e = FieldExtent(t.ctx.field);
    EXPECT_EQ(e.left, 10);
    EXPECT_EQ(e.top, 5);
    EXPECT_EQ(e.right, 30);
    EXPECT_EQ(e.bottom, 20);
    t.ctx.field.loadArea[static_cast<std::size_t>(t.ctx.field.loadWidth) * 2201 + 2201] = 1;
    const Extent l = LoadAreaExtent(t.ctx.field);
    EXPECT_EQ(l.left, 2201);
    EXPECT_EQ(l.bottom, 2201);
}

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
    EXPECT_EQ(fit(10, 10), 10);   // 133 × 100 cells visible at zoom 6
    EXPECT_EQ(fit(200, 1), 7);    // zoom 3: 266 × 200 visible
    EXPECT_EQ(fit(1100, 1100), 3);  // 1/2 shows 1200 rows, too few; 1/4 shows 2400
    t.host.clientSize.reset();    // no window: 800 × 600
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
