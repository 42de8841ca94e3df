// Clicks through the real view at every zoom, read back from the frame the view draws next: the
// cell a click draws, erases or centres on is the one whose square holds the clicked pixel.
#include <QTest>
#include <gtest/gtest.h>
#include <random>

#include "engine/step.h"
#include "session/edit.h"
#include "session/zoom.h"
#include "tests/support/session_fixture.h"
#include "view/frame_image.h"
#include "view/lg_view.h"

namespace gb {
namespace {

constexpr int kW = 320, kH = 240;

struct PointerFixture {
    test::TestContext t;
    CLGView view{t.ctx};
    QImage empty;  // the frame of the empty Field at the current zoom and offsets
    QImage full;   // ... and of a Field whose interior is all live

    PointerFixture() { view.resize(kW, kH); }

    void fillInterior() {
        Field& f = t.ctx.field;
        for (int y = 1; y < f.gridHeight - 1; ++y) f.fillRow(y, 1, f.gridWidth - 2);
    }
    QImage draw() {
        view.DrawFrame(false);
        return view.lastFrame().copy();
    }
    void look(int step, float offsetX, float offsetY) {
        SetZoomStep(t.ctx, step);
        t.ctx.view.offsetX = offsetX;
        t.ctx.view.offsetY = offsetY;
        ClearCells(t.ctx.field);
        empty = draw();
        fillInterior();
        full = draw();
        ClearCells(t.ctx.field);
        draw();
    }
    // A pixel of some interior cell's square (the texts at the top left left aside).
    bool inSquare(int x, int y) const { return full.pixel(x, y) != empty.pixel(x, y); }
    double population() const { return static_cast<double>(t.ctx.field.population()); }
};

bool TextCorner(int x, int y) { return x < 220 && y < 60; }

TEST(ViewPointer, ClicksDrawEraseAndCentreTheSquareUnderThePointerAtEveryZoom) {
    PointerFixture f;
    std::mt19937 rng(568);
    const std::pair<float, float> offsets[] = {{0.0f, 0.0f}, {0.37f, -0.61f}, {-7.9f, 3.3f}};
    for (int step = 0; step < kZoomStepCount; ++step) {
        const bool gaps = ZoomSteps[static_cast<std::size_t>(step)] >= 3;  // grid-line pixels
        for (const auto& [ox, oy] : offsets) {
            f.look(step, ox, oy);
            std::vector<QPoint> pixels;
            while (pixels.size() < 40) {
                const int x = 2 + static_cast<int>(rng() % (kW - 4)),
                          y = 2 + static_cast<int>(rng() % (kH - 4));
                if (!TextCorner(x, y)) pixels.emplace_back(x, y);
            }
            for (const QPoint at : pixels) {
                SCOPED_TRACE(testing::Message() << "zoom step " << step << " offset " << ox << ","
                                                << oy << " pixel " << at.x() << "," << at.y());
                const bool square = f.inSquare(at.x(), at.y());
                // Draw: one cell, and its square holds the pixel (or the pixel is the grid line
                // right after it).
                f.t.ctx.view.editMode = true;
                ClearCells(f.t.ctx.field);
                QTest::mouseClick(&f.view, Qt::LeftButton, {}, at);
                if (!square && f.population() == 0) continue;  // outside the interior
                ASSERT_EQ(f.population(), 1);
                const QImage one = f.draw();
                const auto lit = [&](int dx, int dy) {
                    return one.pixel(at.x() - dx, at.y() - dy) !=
                           f.empty.pixel(at.x() - dx, at.y() - dy);
                };
                if (square) {
                    EXPECT_TRUE(lit(0, 0));
                } else {
                    EXPECT_TRUE(gaps && (lit(1, 0) || lit(0, 1) || lit(1, 1)));
                }

                // Double click outside edit mode: a point of that cell comes to the centre of the
                // window, where the truncated square may start a pixel late and a grid line follow.
                const float beforeX = f.t.ctx.view.offsetX, beforeY = f.t.ctx.view.offsetY;
                f.t.ctx.view.editMode = false;
                QTest::mouseDClick(&f.view, Qt::LeftButton, {}, at);
                if (f.t.ctx.view.offsetX != beforeX || f.t.ctx.view.offsetY != beforeY) {
                    const QImage centred = f.draw();
                    ClearCells(f.t.ctx.field);
                    const QImage none = f.draw();
                    bool near = false;
                    for (int y = kH / 2 - 2; y <= kH / 2 + 2; ++y)
                        for (int x = kW / 2 - 2; x <= kW / 2 + 2; ++x)
                            near = near || centred.pixel(x, y) != none.pixel(x, y);
                    EXPECT_TRUE(near);
                    f.t.ctx.view.offsetX = beforeX;
                    f.t.ctx.view.offsetY = beforeY;
                    f.draw();
                }

                // Erase in a full interior: the pixel goes dark when its square is the only one
                // there (from zoom 1 up).
                if (!square || ZoomSteps[static_cast<std::size_t>(step)] < 1) continue;
                f.fillInterior();
                f.draw();
                f.t.ctx.view.editMode = true;
                QTest::mouseClick(&f.view, Qt::RightButton, {}, at);
                EXPECT_EQ(f.draw().pixel(at), f.empty.pixel(at));
                ClearCells(f.t.ctx.field);
            }
        }
    }
}

TEST(ViewPointer, OnAHighDensityScreenTheClientPixelsFirstImagePixelDecides) {
    test::TestContext t;
    t.ctx.view.editMode = true;
    std::mt19937 rng(2);
    for (int step : {2, 5, 6, 8, 10, 17, 24}) {
        SetZoomStep(t.ctx, step);
        t.ctx.view.offsetX = 0.29f;
        t.ctx.view.offsetY = -0.41f;
        ClearCells(t.ctx.field);
        const QImage empty = ComposeFrame(t.ctx, QSize(kW, kH), false, 2.0);
        for (int n = 0; n < 60; ++n) {
            const int x = 110 + static_cast<int>(rng() % 100),
                      y = 80 + static_cast<int>(rng() % 80);
            ClearCells(t.ctx.field);
            ComposeFrame(t.ctx, QSize(kW, kH), false, 2.0);
            LeftPress(t.ctx, x, y);
            LeftRelease(t.ctx);
            const QImage one = ComposeFrame(t.ctx, QSize(kW, kH), false, 2.0);
            const auto lit = [&](int dx, int dy) {
                return one.pixel(2 * x - dx, 2 * y - dy) != empty.pixel(2 * x - dx, 2 * y - dy);
            };
            EXPECT_TRUE(lit(0, 0) || (ZoomSteps[static_cast<std::size_t>(step)] * 2 >= 3 &&
                                      (lit(1, 0) || lit(0, 1) || lit(1, 1))))
                << "zoom step " << step << " pixel " << x << "," << y;
        }
    }
}

}  // namespace
}  // namespace gb
