#include "view/frame_image.h"

#include <QColor>
#include <gtest/gtest.h>

#include <initializer_list>
#include <set>

#include "session/frame.h"
#include "session/zoom.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

constexpr QRgb kRed = 0xFFFF0000;
constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kGrid = 0xFFDCDCDC;

QRgb At(const QImage& image, int x, int y) { return image.pixel(x, y); }

// Each pixel (x, y) of the table has its colour; the failure names every one that has not.
struct Pixel {
    int x, y;
    QRgb colour;
};
::testing::AssertionResult PixelsAre(const QImage& image, std::initializer_list<Pixel> pixels) {
    bool ok = true;
    ::testing::Message wrong;
    for (const Pixel& p : pixels)
        if (At(image, p.x, p.y) != p.colour) {
            ok = false;
            wrong << " (" << p.x << ", " << p.y << ") is " << std::hex << At(image, p.x, p.y)
                  << " not " << p.colour << std::dec << ";";
        }
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong;
}

// Colours found in a rectangle of the image.
std::set<QRgb> ColoursIn(const QImage& image, QRect r) {
    std::set<QRgb> found;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) found.insert(image.pixel(x, y));
    return found;
}

TEST(FrameImage, AtZoomSixACellIsFiveSquareAndTheGridTakesTheSixthPixel) {
    test::TestContext t;
    t.ctx.display.gridShown = true;
    t.ctx.field.setCell(600, 600, 1);
    // 600 pixels at zoom 6 show 100 cells from 551 on: cell 600 starts at pixel 294.
    const QImage image = ComposeFrame(t.ctx, QSize(600, 600), false);
    ASSERT_EQ(image.size(), QSize(600, 600));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);
    EXPECT_EQ(t.ctx.view.viewLeft, 551.0f);
    EXPECT_EQ(test::CountedPopulation(t.ctx), 1);
    for (int y = 294; y < 299; ++y)
        for (int x = 294; x < 299; ++x) EXPECT_EQ(At(image, x, y), kRed) << x << "," << y;
    for (int k = 294; k < 299; ++k) {
        EXPECT_EQ(At(image, 299, k), kGrid);  // sixth column
        EXPECT_EQ(At(image, k, 299), kGrid);  // sixth row
        EXPECT_EQ(At(image, 293, k), kGrid);  // the line before the cell
    }
    EXPECT_TRUE(PixelsAre(image, {{305, 300, kGrid}, {301, 301, kWhite}}));

    // Without the grid the gaps show the background.
    t.ctx.display.gridShown = false;
    const QImage plain = ComposeFrame(t.ctx, QSize(600, 600), false);
    EXPECT_TRUE(PixelsAre(plain, {{299, 296, kWhite}, {296, 296, kRed}}));
}

TEST(FrameImage, AtZoomTwoTheGridRunsEveryOtherCellFromColumnTwoInsideTheBorder) {
    test::TestContext t;
    t.ctx.display.gridShown = true;
    SetZoomStep(t.ctx, 6);  // zoom 2
    // Put the field's top-left corner at the client's top-left: viewLeft = viewTop = 0.
    t.ctx.view.offsetX = t.ctx.view.offsetY = -451;
    const QImage image = ComposeFrame(t.ctx, QSize(600, 600), false);
    ASSERT_EQ(t.ctx.view.viewLeft, 0.0f);
    // Row 100 holds no horizontal line (those fall on rows 3, 7, 11, ...). Interior column 1
    // has no line before it, column 2 has (pixel 3), column 3 not, column 4 has.
    EXPECT_TRUE(PixelsAre(image, {{2, 100, kWhite},
                                  {3, 100, kGrid},
                                  {5, 100, kWhite},
                                  {7, 100, kGrid},
                                  {11, 100, kGrid},
                                  {100, 3, kGrid},
                                  {100, 5, kWhite}}));
    // The dotted border lies on column 1 (left − 1), in the live colour or the background.
    const std::set<QRgb> border = ColoursIn(image, QRect(1, 50, 1, 100));
    EXPECT_TRUE(border.count(kRed));
    for (QRgb c : border) EXPECT_TRUE(c == kRed || c == kWhite);
    EXPECT_EQ(At(image, 0, 100), kWhite);  // outside the field: nothing
}

TEST(FrameImage, AtAQuarterFourColumnsShareOnePixel) {
    test::TestContext t;
    SetZoomStep(t.ctx, 3);  // zoom 1/4
    t.ctx.field.setCell(600, 600, 1);
    // 600 pixels show 2400 cells, from −599: cells 597..600 fall on pixel 299.
    QImage image = ComposeFrame(t.ctx, QSize(600, 600), false);
    EXPECT_TRUE(PixelsAre(image, {{299, 299, kRed},
                                  {298, 299, kWhite},
                                  {300, 299, kWhite},
                                  {299, 298, kWhite},
                                  {299, 300, kWhite}}));
    t.ctx.field.setCell(600, 600, 0);
    t.ctx.field.setCell(597, 597, 1);
    image = ComposeFrame(t.ctx, QSize(600, 600), false);
    EXPECT_TRUE(PixelsAre(image, {{299, 299, kRed}, {298, 299, kWhite}}));
}

TEST(FrameImage, StatusTextIsBlackOnWhiteAndWhiteOnBlack) {
    test::TestContext t;
    t.ctx.field.generation = 1000;
    t.ctx.field.setCell(5, 5, 1);
    const QRect status(10, 10, 140, 16);
    QImage image = ComposeFrame(t.ctx, QSize(400, 300), false);
    EXPECT_EQ(ColoursIn(image, status), (std::set<QRgb>{kWhite, 0xFF000000}));
    EXPECT_EQ(ColoursIn(image, QRect(0, 0, 10, 10)), std::set<QRgb>{kWhite});

    t.ctx.display.backColor = 0x000000;
    image = ComposeFrame(t.ctx, QSize(400, 300), false);
    EXPECT_EQ(ColoursIn(image, status), (std::set<QRgb>{0xFF000000, kWhite}));
    EXPECT_EQ(At(image, 0, 0), 0xFF000000u);

    t.ctx.display.backColor = 0x808080;
    image = ComposeFrame(t.ctx, QSize(400, 300), false);
    EXPECT_EQ(ColoursIn(image, status), (std::set<QRgb>{0xFF808080, 0xFF000000}));
}

TEST(FrameImage, ZoomLabelAndExtinctionNotice) {
    test::TestContext t;
    const QSize size(400, 300);
    const QRect label(10, 30, 60, 16);
    const QRect centre(200, 150, 60, 16);
    QImage image = ComposeFrame(t.ctx, size, false);
    EXPECT_GT(ColoursIn(image, label).size(), 1u);
    EXPECT_EQ(ColoursIn(image, centre).size(), 1u);  // empty at generation 0: no notice
    t.ctx.view.zoomLabelShown = false;
    image = ComposeFrame(t.ctx, size, false);
    EXPECT_EQ(ColoursIn(image, label).size(), 1u);

    // Empty after generation 0: the notice starts at the centre and the run stops.
    t.ctx.run.running = true;
    t.ctx.run.runTimerResult = RUN_TIMER;
    t.ctx.field.generation = 3;
    image = ComposeFrame(t.ctx, size, false);
    EXPECT_GT(ColoursIn(image, centre).size(), 1u);
    EXPECT_EQ(ColoursIn(image, QRect(150, 130, 49, 19)).size(), 1u);  // nothing before it
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.host.timersKilled, std::vector<int>{RUN_TIMER});

    t.ctx.field.setCell(20, 20, 1);
    image = ComposeFrame(t.ctx, size, false);
    EXPECT_EQ(ColoursIn(image, centre).size(), 1u);
}

TEST(FrameImage, AdvancingFrameStepsAndCountsExactly) {
    test::TestContext t;
    for (int x = 100; x < 103; ++x) t.ctx.field.setCell(x, 100, 1);
    const QImage image = ComposeFrame(t.ctx, QSize(200, 100), true);
    EXPECT_EQ(t.ctx.field.generation, 1);
    EXPECT_EQ(test::CountedPopulation(t.ctx), 3);
    EXPECT_EQ(t.ctx.field.at(101, 99), 1);
    // An empty client area still counts.
    ComposeFrame(t.ctx, QSize(0, 0), false);
    EXPECT_EQ(test::CountedPopulation(t.ctx), 3);
}

TEST(FrameImage, OnADoubleDensityScreenTheFrameHasTheScreensPixels) {
    test::TestContext t;
    t.ctx.display.gridShown = true;
    t.ctx.field.setCell(600, 600, 1);
    const QImage image = ComposeFrame(t.ctx, QSize(300, 300), false, 2.0);
    ASSERT_EQ(image.size(), QSize(600, 600));
    EXPECT_EQ(image.devicePixelRatio(), 2.0);
    EXPECT_EQ(image.deviceIndependentSize().toSize(), QSize(300, 300));
    // The same field point sits at the view's centre as at ratio 1: 300 view pixels at zoom 6
    // show 50 cells from 576 on, so cell 600 starts at view pixel 144, screen pixel 288, and is
    // 11 screen pixels wide with the grid line in the twelfth.
    EXPECT_EQ(t.ctx.view.viewLeft, 576.0f);
    for (int k = 288; k < 299; ++k) {
        EXPECT_EQ(At(image, k, 288), kRed) << k;
        EXPECT_EQ(At(image, 288, k), kRed) << k;
        EXPECT_EQ(At(image, k, 299), kGrid) << k;
    }
    EXPECT_EQ(At(image, 301, 293), kWhite);
    // The status text is drawn at the finer resolution: dark pixels near (20, 20) on the screen,
    // that is (10, 10) in the view.
    bool dark = false;
    for (int y = 20; y < 60 && !dark; ++y)
        for (int x = 20; x < 120 && !dark; ++x) dark = qGray(At(image, x, y)) < 64;
    EXPECT_TRUE(dark);
}

}  // namespace
}  // namespace gb
