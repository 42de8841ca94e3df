// The cells of a frame against a plain painter that visits every cell of the plane, over random
// Fields, zoom steps and view positions; and the count a frame shows.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "engine/step.h"
#include "session/frame.h"
#include "session/zoom.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

// Every live cell's square, at the pixel the frame gives it: columns by adding zoom column after
// column from the left edge, rows directly.
std::vector<std::uint32_t> PlainPaint(const Field& f, int width, int height, float viewLeft,
                                      float viewTop, double zoom, std::uint32_t pixel) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
    const int s = CellSize(zoom);
    std::vector<int> columnX(static_cast<std::size_t>(f.gridWidth));
    double x = (0 - static_cast<double>(viewLeft)) * zoom;
    for (int j = 0; j < f.gridWidth; ++j, x += zoom)
        columnX[static_cast<std::size_t>(j)] = TruncPixel(x);
    for (int i = 0; i < f.gridHeight; ++i) {
        const int py = TruncPixel((i - static_cast<double>(viewTop)) * zoom);
        for (int j = 0; j < f.gridWidth; ++j) {
            if (f.at(j, i) == 0) continue;
            const int px = columnX[static_cast<std::size_t>(j)];
            for (int yy = std::max(py, 0); yy < std::min(py + s, height); ++yy)
                for (int xx = std::max(px, 0); xx < std::min(px + s, width); ++xx)
                    pixels[static_cast<std::size_t>(yy) * width + xx] = pixel;
        }
    }
    return pixels;
}

TEST(FramePaint, MatchesAPlainPainterAtEveryZoomAndPosition) {
    std::mt19937 rng(4242);
    for (int round = 0; round < 120; ++round) {
        const int w = 1 + static_cast<int>(rng() % 300), h = 1 + static_cast<int>(rng() % 200);
        test::TestContext t(w, h);
        Field& f = t.ctx.field;
        ASSERT_TRUE(test::HasSize(f, w, h));
        const unsigned density = rng() % 4 == 0 ? 1000 : 1 + rng() % 3;  // sparse or dense
        for (int y = 1; y < f.gridHeight - 1; ++y)
            for (int x = 1; x < f.gridWidth - 1; ++x)
                if (rng() % density == 0) f.setCell(x, y, 1);
        const double zoom = ZoomSteps[rng() % ZoomSteps.size()];
        // Whole, half and odd positions, some far off the Field.
        const auto position = [&](int side) {
            switch (rng() % 5) {
                case 4:  // so fine a fraction that adding zoom column after column rounds
                    return std::ldexp(static_cast<float>(1 + rng() % 1000), -50) -
                           static_cast<float>(rng() % 3);
                case 0: return static_cast<float>(static_cast<int>(rng() % (side + 40)) - 20);
                case 1:
                    return static_cast<float>(static_cast<int>(rng() % (side + 40)) - 20) + 0.5f;
                case 2: return static_cast<float>(rng() % 100000) / 997.0f - 30.0f;
                default: return static_cast<float>(static_cast<int>(rng() % 20001) - 10000) / 3.0f;
            }
        };
        const float viewLeft = position(w), viewTop = position(h);
        const int width = 1 + static_cast<int>(rng() % 160),
                  height = 1 + static_cast<int>(rng() % 120);
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0);
        PixelTarget target{pixels.data(), width, height, width};
        const double population = PaintCells(f, target, viewLeft, viewTop, zoom, 9);
        ASSERT_EQ(pixels, PlainPaint(f, width, height, viewLeft, viewTop, zoom, 9))
            << w << " x " << h << " at zoom " << zoom << " from " << viewLeft << ", " << viewTop
            << " into " << width << " x " << height;
        ASSERT_EQ(population, f.population());
    }
}

TEST(FramePaint, CountFollowsStepsAndWritesBetweenFrames) {
    test::TestContext t;
    Field& f = t.ctx.field;
    std::vector<std::uint32_t> pixels(64 * 64, 0);
    PixelTarget target{pixels.data(), 64, 64, 64};
    for (int x = 10; x < 13; ++x) f.setCell(x, 10, 1);  // a blinker
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 3);
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 3);  // the kept count of the scan
    f.setCell(100, 100, 1);
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 4);
    StepGeneration(f, t.ctx.rule);
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 3);
    AdvanceGeneration(f, t.ctx.rule);
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 3);
    f.setCell(200, 200, 1);
    f.setCell(201, 200, 1);
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 5);
    AdvanceGeneration(f, t.ctx.rule);  // the pair dies, the blinker turns
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 3);
    ClearCells(f);
    EXPECT_EQ(PaintCells(f, target, 0, 0, 1, 1), 0);
}

}  // namespace
}  // namespace gb
