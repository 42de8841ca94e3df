#include "engine/extent.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/engine/cell_model.h"

namespace gb {
namespace {

TEST(Extent, GridExtentIsTheBoxOfTheNonZeroBytes) {
    // (The extents of the Field and the staging grid are checked against it in cell_grid_test.cpp.)
    std::mt19937 rng(3);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + static_cast<int>(rng() % 20), h = 1 + static_cast<int>(rng() % 20);
        std::vector<std::int8_t> g(static_cast<std::size_t>(w * h), 0);
        for (int i = static_cast<int>(rng() % 4); i > 0; --i) g[rng() % g.size()] = static_cast<std::int8_t>(1 + rng() % 3);
        Extent want;
        want.left = w;
        want.top = h;
        want.right = want.bottom = -1;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (g[static_cast<std::size_t>(y * w + x)] != 0) {
                    want.found = 1;
                    want.left = std::min(want.left, x), want.right = std::max(want.right, x);
                    want.top = std::min(want.top, y), want.bottom = std::max(want.bottom, y);
                }
        want.width = want.right - want.left + 1;
        want.height = want.bottom - want.top + 1;
        ASSERT_EQ(test::Box(GridExtent(g.data(), w, h)), test::Box(want)) << "round " << round;
    }
}

}  // namespace
}  // namespace gb
