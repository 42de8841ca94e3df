#include "session/frame.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "session/format_number.h"
#include "session/run.h"
#include "session/run_control.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(FrameText, ThousandsStatusLineAndZoomLabel) {
    const std::pair<const char*, const char*> grouped[] = {{"1234567", "1,234,567"},
                                                           {"1000", "1,000"},
                                                           {"100000", "100,000"},
                                                           {"999", "999"},
                                                           {"", ""}};
    for (auto [digits, text] : grouped) EXPECT_EQ(FormatThousands(digits), text) << digits;
    EXPECT_EQ(StatusLine(1000, 1234567), "G 1,000 / P 1,234,567");
    EXPECT_EQ(StatusLine(0, 0), "G 0 / P 0");
    const std::pair<double, const char*> labels[] = {
        {6, "X 6"}, {3, "X 3"}, {1.0 / 4, "X 1/4"}, {1.0 / 32, "X 1/32"}};
    for (auto [zoom, label] : labels) EXPECT_EQ(ZoomLabel(zoom), label) << zoom;
}

TEST(FrameGeometry, SpacingCellSizeAndTextGrey) {
    const std::pair<double, int> spacings[] = {{20, 1}, {3, 1},   {2, 2},
                                               {1, 4},  {0.5, 8}, {1.0 / 32, 128}};
    for (auto [zoom, spacing] : spacings) EXPECT_EQ(GridSpacing(zoom), spacing) << zoom;
    const std::pair<double, int> sides[] = {{6, 5}, {3, 2}, {2, 2}, {1, 1}, {1.0 / 4, 1}};
    for (auto [zoom, side] : sides) EXPECT_EQ(CellSize(zoom), side) << zoom;
    // Brightness 128 (0x808080) gives black text; pure red is (255 + 0 + 0) / 3 = 85.
    const std::pair<std::uint32_t, int> greys[] = {
        {0x000000, 255}, {0xFFFFFF, 0}, {0x808080, 0}, {0x7F7F7F, 255}, {0x0000FF, 255}};
    for (auto [back, grey] : greys) EXPECT_EQ(TextGrey(back), grey) << std::hex << back;
}

TEST(FrameGeometry, PlacementKeepsTheClientCentreOnTheSameFieldPoint) {
    // 600 pixels at zoom 6 show 100 cells: the field centre 601 sits at pixel 300.
    FramePlacement p = PlaceField(1202, 1202, 600, 600, 6, 0, 0);
    EXPECT_EQ(p.viewLeft, 551.0f);
    EXPECT_EQ(p.left, (1 - 551) * 6);
    EXPECT_EQ(p.right, (1202 - 551 - 1) * 6);
    for (double zoom : {1.0 / 32, 0.5, 1.0, 3.0, 7.0, 20.0}) {
        p = PlaceField(1202, 1202, 800, 600, zoom, 12.5f, -3.0f);
        EXPECT_NEAR(p.viewLeft + 400 / zoom, 601 + 12.5, 1e-3) << zoom;
        EXPECT_NEAR(p.viewTop + 300 / zoom, 601 - 3.0, 1e-3) << zoom;
    }
    // An absurd offset neither overflows nor wraps the pixel edges.
    p = PlaceField(1202, 1202, 800, 600, 20, 3e30f, -3e30f);
    EXPECT_LT(p.left, 0);
    EXPECT_GT(p.top, 0);
    EXPECT_EQ(TruncPixel(-2.9), -2);
    EXPECT_EQ(TruncPixel(2.9), 2);
}

TEST(FrameCells, PaintAndCountTheWholePlane) {
    test::TestContext t;
    Field& f = t.ctx.field;
    EXPECT_FALSE(f.setCell(0, 0, 1));  // the border stays dead
    f.setCell(600, 600, 1);
    f.setCell(601, 600, 2);  // any non-zero value is live
    f.setCell(5, 5, 1);
    std::vector<std::uint32_t> pixels(100 * 100, 0);
    PixelTarget target{pixels.data(), 100, 100, 100};
    // viewLeft = viewTop = 590 at zoom 3: cell 600 starts at pixel 30, side 2.
    EXPECT_EQ(PaintCells(f, target, 590, 590, 3, 7), 3);
    auto at = [&](int x, int y) { return pixels[static_cast<std::size_t>(y * 100 + x)]; };
    // Cell 600 fills pixels 30 and 31; 32 is the gap before the next cell.
    const std::tuple<int, int, std::uint32_t> expected[] = {
        {30, 30, 7}, {31, 31, 7}, {32, 30, 0}, {33, 30, 7}, {30, 32, 0}};
    for (auto [x, y, value] : expected) EXPECT_EQ(at(x, y), value) << x << ", " << y;
    EXPECT_EQ(CountCells(f), 3);
    // Nothing visible: still counted.
    EXPECT_EQ(PaintCells(f, target, -5000, -5000, 3, 7), 3);
}

// A session whose frames are drawn without a picture, and counted.
struct DrawnSession : test::TestContext {
    int frames = 0;
    const FrameFn draw = [this](bool advance) {
        ++frames;
        FrameWithoutPicture(ctx, advance);
    };
};

TEST(FrameRun, StopTargetEndsTheRunAtTheTargetNotBefore) {
    DrawnSession t;
    const FrameFn& draw = t.draw;
    test::PlacePicture(t.ctx.field, 10, 10, {"**", "**"});  // a block lives for ever
    t.ctx.field.generation = 5;
    draw(false);
    StopAtGenerationCommand(t.ctx, [](const StopAtValues& v) -> std::optional<std::int32_t> {
        EXPECT_EQ(v.absolute, 6);
        EXPECT_EQ(v.relative, 1);
        return 10;
    });
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_TRUE(t.ctx.run.stopArmed);
    while (t.ctx.run.running && t.ctx.field.generation < 9) RunTick(t.ctx, draw);
    EXPECT_EQ(t.ctx.field.generation, 9);
    draw(false);  // a repaint at 9 leaves the run going
    EXPECT_TRUE(t.ctx.run.running);
    for (int i = 0; i < 5; ++i) RunTick(t.ctx, draw);
    EXPECT_EQ(t.ctx.field.generation, 10);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_FALSE(t.ctx.run.stopArmed);
    EXPECT_EQ(test::CountedPopulation(t.ctx), 4);
    const StopAtValues again = StopAtInitialValues(t.ctx);
    EXPECT_EQ(again.absolute, 11);
    EXPECT_EQ(again.relative, 1);
}

TEST(FrameRun, EnterOnAnEmptyFieldStartsThenDiesOutAtGenerationOne) {
    DrawnSession t;
    const FrameFn& draw = t.draw;
    draw(false);
    EXPECT_FALSE(t.ctx.run.running);  // generation 0: no extinction
    EnterKey(t.ctx);
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.host.activeTimers.at(RUN_TIMER), 40);
    RunTick(t.ctx, draw);
    EXPECT_EQ(t.ctx.field.generation, 1);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.host.activeTimers.count(RUN_TIMER), 0u);
    RunTick(t.ctx, draw);  // a late tick does nothing
    EXPECT_EQ(t.ctx.field.generation, 1);
}

TEST(FrameRun, SpaceStepAndTheMenuRules) {
    DrawnSession t;
    const FrameFn& draw = t.draw;
    SpaceKey(t.ctx, draw);  // empty field: nothing
    EXPECT_EQ(t.frames, 0);
    EXPECT_FALSE(CanStartRun(t.ctx));
    for (int x = 10; x < 13; ++x) t.ctx.field.setCell(x, 10, 1);  // a blinker
    draw(false);
    EXPECT_TRUE(CanStartRun(t.ctx));
    EXPECT_TRUE(CanStepOnce(t.ctx));
    EXPECT_TRUE(CanStopAtGeneration(t.ctx));
    EXPECT_FALSE(CanStopRun(t.ctx));
    SpaceKey(t.ctx, draw);
    EXPECT_EQ(t.ctx.field.generation, 1);
    EXPECT_EQ(t.ctx.field.at(11, 9), 1);
    StartRun(t.ctx);
    EXPECT_FALSE(CanStartRun(t.ctx));
    EXPECT_TRUE(CanStopRun(t.ctx));
    SpaceKey(t.ctx, draw);  // running: stops without a frame
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.field.generation, 1);
    StartRun(t.ctx);
    StepOnce(t.ctx, draw);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.field.generation, 2);
}

TEST(FrameRun, ZoomLabelTimerStartsAfterTheFrameAndHidesTheLabel) {
    DrawnSession t;
    const FrameFn& draw = t.draw;
    draw(false);
    EXPECT_EQ(t.host.activeTimers.at(ZOOM_LABEL_TIMER), 2000);
    EXPECT_FALSE(t.ctx.view.zoomLabelTimerPending);
    ZoomLabelTick(t.ctx, draw);
    EXPECT_FALSE(t.ctx.view.zoomLabelShown);
    EXPECT_EQ(t.host.activeTimers.count(ZOOM_LABEL_TIMER), 0u);
    EXPECT_EQ(t.frames, 2);  // stopped: redrawn at once
    t.ctx.run.running = true;
    ZoomLabelTick(t.ctx, draw);
    EXPECT_EQ(t.frames, 2);  // running: the next tick redraws
}

TEST(RunControl, IntervalDialogBracketRestartsARunAtTheNewPeriod) {
    test::TestContext t;
    StartRun(t.ctx);
    TimerIntervalCommand(t.ctx, [&](int current) -> std::optional<int> {
        EXPECT_EQ(current, 40);
        EXPECT_FALSE(t.ctx.run.running);  // paused behind the dialog
        return 500;
    });
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.host.activeTimers.at(RUN_TIMER), 500);
    TimerIntervalCommand(t.ctx, [](int) { return std::optional<int>(); });
    EXPECT_EQ(t.ctx.run.timerInterval, 500);
    EXPECT_TRUE(t.ctx.run.running);
}

TEST(RunControl, StopAtCancelDisarmsAndKeepsARunGoing) {
    test::TestContext t;
    t.ctx.field.generation = 7;
    t.ctx.run.stopArmed = true;
    t.ctx.run.stopGeneration = 20;
    StartRun(t.ctx);
    StopAtGenerationCommand(t.ctx, [](const StopAtValues& v) -> std::optional<std::int32_t> {
        EXPECT_EQ(v.absolute, 20);
        EXPECT_EQ(v.relative, 13);
        return std::nullopt;
    });
    EXPECT_FALSE(t.ctx.run.stopArmed);
    EXPECT_TRUE(t.ctx.run.running);
    StopRun(t.ctx);
    StopAtGenerationCommand(t.ctx,
                            [](const StopAtValues&) { return std::optional<std::int32_t>(); });
    EXPECT_FALSE(t.ctx.run.running);
}

TEST(RunControl, StopAtFieldsFollowEachOther) {
    EXPECT_EQ(StopAtStatusLine(1234), "現在第1,234世代");
    EXPECT_EQ(RelativeForAbsolute("10", "1", 7), std::optional<std::string>("3"));
    EXPECT_EQ(RelativeForAbsolute("10", "3", 7), std::nullopt);
    EXPECT_EQ(AbsoluteForRelative("5.9", "8", 7), std::optional<std::string>("12"));
    EXPECT_EQ(AbsoluteForRelative("", "7", 7), std::nullopt);  // no number reads as 0
    EXPECT_EQ(RelativeForAbsolute("1e20", "1", 0), std::optional<std::string>("2147483647"));
    EXPECT_TRUE(HasComma("1,000"));
    EXPECT_FALSE(TargetIsAhead("7", 7));
    EXPECT_TRUE(TargetIsAhead("8abc", 7));
}

}  // namespace
}  // namespace gb
