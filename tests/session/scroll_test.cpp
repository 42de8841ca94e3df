#include "session/scroll.h"

#include <gtest/gtest.h>

#include "session/frame.h"
#include "session/run.h"
#include "session/zoom.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(Zoom, KeysStopAtBothEnds) {
    test::TestContext t;
    for (int i = 0; i < 14; ++i) ZoomIn(t.ctx);
    EXPECT_EQ(t.ctx.view.zoom, 20);
    EXPECT_FALSE(CanZoomIn(t.ctx));
    const int invalidations = t.host.invalidations;
    ZoomIn(t.ctx);
    EXPECT_EQ(t.ctx.view.zoomStep, 24);
    EXPECT_EQ(t.host.invalidations, invalidations);
    SetZoomStep(t.ctx, kDefaultZoomStep);
    for (int i = 0; i < 10; ++i) ZoomOut(t.ctx);
    EXPECT_EQ(t.ctx.view.zoom, 1.0 / 32);
    EXPECT_FALSE(CanZoomOut(t.ctx));
    ZoomOut(t.ctx);
    EXPECT_EQ(t.ctx.view.zoomStep, 0);
    EXPECT_TRUE(t.ctx.view.zoomLabelShown);
    EXPECT_TRUE(t.ctx.view.zoomLabelTimerPending);
}

TEST(Zoom, WheelAddsUpToWholeNotches) {
    test::TestContext t;
    WheelZoom(t.ctx, 60);
    EXPECT_EQ(t.ctx.view.zoomStep, 10);
    WheelZoom(t.ctx, 60);
    EXPECT_EQ(t.ctx.view.zoomStep, 11);
    EXPECT_EQ(t.ctx.view.wheelAccumulator, 0);
    WheelZoom(t.ctx, 120);
    WheelZoom(t.ctx, -120);
    EXPECT_EQ(t.ctx.view.zoomStep, 11);
    WheelZoom(t.ctx, -40);
    WheelZoom(t.ctx, 30);
    EXPECT_EQ(t.ctx.view.wheelAccumulator, -10);  // the remainder stays
    WheelZoom(t.ctx, -240);                       // two notches in one message: one step
    EXPECT_EQ(t.ctx.view.zoomStep, 10);
    WheelZoom(t.ctx, 40000);  // 16-bit arithmetic: wraps to a negative sum
    EXPECT_EQ(t.ctx.view.zoomStep, 9);
}

TEST(Zoom, DialogCommandSetsTheShownNumberPlusFour) {
    test::TestContext t;
    StartRun(t.ctx);
    ZoomDialogCommand(t.ctx, [&](int shown) -> std::optional<int> {
        EXPECT_EQ(shown, 6);
        EXPECT_FALSE(t.ctx.run.running);
        return 1;
    });
    EXPECT_EQ(t.ctx.view.zoom, 1);
    EXPECT_TRUE(t.ctx.run.running);
    ZoomDialogCommand(t.ctx, [](int) { return std::optional<int>(-4); });
    EXPECT_EQ(t.ctx.view.zoom, 1.0 / 32);
    ZoomDialogCommand(t.ctx, [](int) { return std::optional<int>(); });
    EXPECT_EQ(t.ctx.view.zoomStep, 0);
}

TEST(Zoom, FitChoosesTheLargestZoomWithRoomToSpare) {
    test::TestContext t;
    for (int x = 500; x < 510; ++x) t.ctx.field.setCell(x, 600, 1);
    FitZoomToPattern(t.ctx);
    EXPECT_EQ(t.ctx.view.zoom, 6);
    for (int x = 500; x < 700; ++x) t.ctx.field.setCell(x, 600, 1);
    FitZoomToPattern(t.ctx);
    EXPECT_EQ(t.ctx.view.zoom, 3);
    EXPECT_EQ(t.ctx.view.zoomStep, 7);
}

TEST(Scroll, ShiftArrowTakesTenCellsShortenedToTheRoom) {
    test::TestContext t;
    // 800 pixels at zoom 6: margin (800 − 80) / 6 / 2 = 60, room left = 601 − 60 + offsetX.
    EXPECT_EQ(ScrollRoom(t.ctx, ScrollDirection::Left, 800, 600), 541);
    ScrollView(t.ctx, ScrollDirection::Left, 800, 600, true);
    EXPECT_EQ(t.ctx.view.offsetX, -10);
    t.ctx.view.offsetX = -533.5f;  // 7.5 cells of room
    ScrollView(t.ctx, ScrollDirection::Left, 800, 600, true);
    EXPECT_EQ(t.ctx.view.offsetX, -540.5f);
    t.ctx.view.offsetX = -531;  // exactly 10: no move
    const int invalidations = t.host.invalidations;
    ScrollView(t.ctx, ScrollDirection::Left, 800, 600, true);
    EXPECT_EQ(t.ctx.view.offsetX, -531);
    EXPECT_EQ(t.host.invalidations, invalidations);
    // Room of 1.5, 1 and below: the last move, then nothing, and the item disabled at 1.
    t.ctx.view.offsetX = -539.5f;
    EXPECT_TRUE(CanScroll(t.ctx, ScrollDirection::Left, 800, 600));
    ScrollView(t.ctx, ScrollDirection::Left, 800, 600, false);
    EXPECT_EQ(t.ctx.view.offsetX, -540.5f);
    t.ctx.view.offsetX = -540;
    EXPECT_FALSE(CanScroll(t.ctx, ScrollDirection::Left, 800, 600));
    ScrollView(t.ctx, ScrollDirection::Left, 800, 600, false);
    EXPECT_EQ(t.ctx.view.offsetX, -540);
    // The other directions mirror it.
    EXPECT_EQ(ScrollRoom(t.ctx, ScrollDirection::Right, 800, 600), 1081);
    EXPECT_EQ(ScrollRoom(t.ctx, ScrollDirection::Up, 800, 600), 601 - 520 / 6.0 / 2);
    ScrollView(t.ctx, ScrollDirection::Down, 800, 600, false);
    EXPECT_EQ(t.ctx.view.offsetY, 1);
    // The whole field fits: no direction has room.
    SetZoomStep(t.ctx, 0);
    t.ctx.view.offsetX = t.ctx.view.offsetY = 0;
    for (auto d : {ScrollDirection::Left, ScrollDirection::Right, ScrollDirection::Up,
                   ScrollDirection::Down})
        EXPECT_LT(ScrollRoom(t.ctx, d, 800, 600), 0);
}

TEST(Scroll, CentringCommands) {
    test::TestContext t;
    EXPECT_FALSE(CanScrollToFieldCentre(t.ctx));
    ScrollView(t.ctx, ScrollDirection::Right, 800, 600, false);
    EXPECT_TRUE(CanScrollToFieldCentre(t.ctx));
    ScrollToFieldCentre(t.ctx);
    EXPECT_FALSE(CanScrollToFieldCentre(t.ctx));

    ScrollToCentroid(t.ctx);  // no live cells by the last frame: nothing
    ScrollToExtentCentre(t.ctx);
    EXPECT_EQ(t.ctx.view.offsetX, 0);
    t.ctx.field.setCell(600, 600, 1);
    FrameWithoutPicture(t.ctx, false);
    ScrollToCentroid(t.ctx);
    EXPECT_EQ(t.ctx.view.offsetX, -0.5f);
    EXPECT_EQ(t.ctx.view.offsetY, -0.5f);
    ScrollToFieldCentre(t.ctx);
    ScrollToExtentCentre(t.ctx);
    EXPECT_EQ(t.ctx.view.offsetX, -0.5f);
    EXPECT_EQ(t.ctx.view.offsetY, -0.5f);

    // Extent and centroid differ for a lopsided pattern: cells at 100, 101 and 110 of row 50.
    t.ctx.field.setCell(600, 600, 0);
    for (int x : {100, 101, 110}) t.ctx.field.setCell(x, 50, 1);
    ScrollToExtentCentre(t.ctx);
    EXPECT_EQ(t.ctx.view.offsetX, 105.5f - 601);
    ScrollToCentroid(t.ctx);
    EXPECT_NEAR(t.ctx.view.offsetX, 311.0 / 3 + 0.5 - 601, 1e-4);
    EXPECT_EQ(t.ctx.view.offsetY, 50.5f - 601);

    // The last frame's count is stale and no cell holds 1: the view stays.
    ClearCells(t.ctx.field);
    const float before = t.ctx.view.offsetX;
    ScrollToCentroid(t.ctx);
    EXPECT_EQ(t.ctx.view.offsetX, before);
}

}  // namespace
}  // namespace gb
