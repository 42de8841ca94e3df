// The bit grid and the Field's cells against a byte-per-cell model: random writes of every kind
// on a bare CellGrid, and random edits, placements, moves, resizes, clears and rule changes
// between fast steps on a Field of random size and rule, with every kernel set. After every
// operation the cells, the counts, the tiles, the extent, the centroid sums and every walk must be
// what plain loops over the model give.
#include "engine/cell_grid.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/engine/cell_model.h"

namespace gb {
namespace {

using test::Between;
using test::Model;

// A bare grid in a block of its own, its model, and the model as it was at the last TakeJournal.
struct Grid {
    std::vector<std::uint64_t> block;
    CellGrid g;
    Model m, taken;
    Grid(int w, int h) : block(CellGrid::BlockBytes(w, h) / 8 + 1), m(w, h), taken(w, h) {
        g.Attach(block.data(), w, h);
    }
    void Put(std::int64_t x, std::int64_t y, bool live) {
        if (x >= 0 && y >= 0 && x < m.w && y < m.h)
            m.at(static_cast<int>(x), static_cast<int>(y)) = live ? 1 : 0;
    }
};

// The journal names every tile changed since it was last taken, each once, and is empty after.
::testing::AssertionResult JournalCovers(Grid& a) {
    std::vector<int> tiles;
    a.g.TakeJournal(tiles);
    const std::set<int> named(tiles.begin(), tiles.end());
    if (named.size() != tiles.size()) return ::testing::AssertionFailure() << "a tile named twice";
    for (int y = 0; y < a.m.h; ++y)
        for (int x = 0; x < a.m.w; ++x)
            if (a.m.get(x, y) != a.taken.get(x, y) &&
                named.count((y / 16) * a.g.tilesX() + x / 64) == 0)
                return ::testing::AssertionFailure()
                       << "cell (" << x << ", " << y << ") changed unjournalled";
    if (!a.g.journalEmpty()) return ::testing::AssertionFailure() << "the journal was not emptied";
    a.taken = a.m;
    return ::testing::AssertionSuccess();
}

std::string GridOperation(Grid& a, Grid& twin, const Grid& src, std::mt19937& rng) {
    const int w = a.m.w, h = a.m.h;
    const int y = Between(rng, -1, h);
    switch (rng() % 9) {
        case 0:
            for (int i = 0; i < 8; ++i) {
                const int x = Between(rng, -2, w + 1), yy = Between(rng, -2, h + 1);
                const bool live = rng() % 3 != 0;
                a.g.set(x, yy, live);
                a.Put(x, yy, live);
            }
            return "set";
        case 1: {
            const int x0 = Between(rng, -70, w + 2), x1 = x0 + Between(rng, -3, 200);
            a.g.fillSpan(y, x0, x1);
            for (int x = x0; x <= x1; ++x) a.Put(x, y, true);
            return "fillSpan " + std::to_string(y) + ": " + std::to_string(x0) + " .. " +
                   std::to_string(x1);
        }
        case 2: {
            const int count = Between(rng, 0, 200), x0 = Between(rng, -100, w);
            const bool dense = rng() % 2 == 0;
            std::vector<std::uint64_t> bits(static_cast<std::size_t>(count / 64 + 1));
            for (auto& word : bits)
                word =
                    dense ? (std::uint64_t{rng()} << 32 | rng()) : std::uint64_t{1} << (rng() % 64);
            a.g.orBits(y, x0, bits.data(), count);
            for (int i = 0; i < count; ++i)
                if (bits[static_cast<std::size_t>(i / 64)] >> (i % 64) & 1)
                    a.Put(std::int64_t{x0} + i, y, true);
            return "orBits " + std::to_string(y) + ": " + std::to_string(x0) + " + " +
                   std::to_string(count);
        }
        case 3:
        case 4: {  // setWord overwrites the word's cells, orWord adds to them
            const int tx = Between(rng, -1, a.g.tilesX());
            const std::uint64_t value = std::uint64_t{rng()} << 32 | rng();
            const bool overwrite = rng() % 2 == 0;
            const bool inside = tx >= 0 && tx < a.g.tilesX() && y >= 0 && y < h;
            if (overwrite) a.g.setWord(tx, y, value);
            if (!overwrite && inside) a.g.orWord(tx, y, value);
            for (int k = 0; k < 64 && inside; ++k)
                if (overwrite || (value >> k & 1)) a.Put(tx * 64 + k, y, (value >> k & 1) != 0);
            return overwrite ? "setWord" : "orWord";
        }
        case 5:
            a.g.clear();
            std::fill(a.m.cells.begin(), a.m.cells.end(), 0);
            return "clear";
        case 6: {  // another grid's box, moved and clipped
            const int left = Between(rng, -5, src.m.w), top = Between(rng, -5, src.m.h);
            const int right = left + Between(rng, -1, src.m.w + 5),
                      bottom = top + Between(rng, -1, src.m.h + 5);
            const int dx = Between(rng, -src.m.w, w), dy = Between(rng, -src.m.h, h);
            const bool wide = rng() % 2 == 0;
            const int cl = wide ? -9 : Between(rng, 0, w), ct = wide ? -9 : Between(rng, 0, h);
            const int cr = wide ? w + 9 : Between(rng, cl - 1, w),
                      cb = wide ? h + 9 : Between(rng, ct - 1, h);
            a.g.orFrom(src.g, left, top, right, bottom, dx, dy, cl, ct, cr, cb);
            for (int sy = std::max(top, 0); sy <= std::min(bottom, src.m.h - 1); ++sy)
                for (int sx = std::max(left, 0); sx <= std::min(right, src.m.w - 1); ++sx) {
                    const std::int64_t x = std::int64_t{sx} + dx, ty = std::int64_t{sy} + dy;
                    if (src.m.get(sx, sy) != 0 && x >= cl && x <= cr && ty >= ct && ty <= cb)
                        a.Put(x, ty, true);
                }
            return "orFrom";
        }
        case 7:
            a.g.swap(twin.g);
            std::swap(a.m, twin.m);
            std::swap(a.taken, twin.taken);
            return "swap";
        default: return "journal";
    }
}

TEST(CellGrid, EveryWriteKeepsTheCellsCountsTilesJournalAndWalks) {
    std::mt19937 rng(1313);
    static constexpr std::pair<int, int> kShapes[] = {{1, 1},    {64, 16}, {63, 15}, {65, 17},
                                                      {128, 32}, {1, 100}, {300, 1}};
    for (int round = 0; round < 30; ++round) {
        const auto [w, h] =
            round < 7 ? kShapes[round] : std::pair{Between(rng, 1, 300), Between(rng, 1, 100)};
        auto a = std::make_unique<Grid>(w, h), twin = std::make_unique<Grid>(w, h);
        auto src = std::make_unique<Grid>(Between(rng, 1, 200), Between(rng, 1, 80));
        for (int y = 0; y < src->m.h; ++y)
            for (int x = 0; x < src->m.w; ++x)
                if (rng() % 3 == 0) src->g.set(x, y, true), src->Put(x, y, true);
        ASSERT_TRUE(test::GridAgrees(src->g, src->m, rng));
        for (int i = 0; i < 40; ++i) {
            const std::string what = GridOperation(*a, *twin, *src, rng);
            ASSERT_TRUE(test::GridAgrees(a->g, a->m, rng))
                << w << " x " << h << ", " << i << ": " << what;
            if (what == "swap") {
                ASSERT_TRUE(test::GridAgrees(twin->g, twin->m, rng)) << "the twin after a swap";
            }
            if (what == "journal" || what == "swap") {
                ASSERT_TRUE(JournalCovers(*a)) << w << " x " << h << ", " << i;
            }
        }
    }
}

TEST(CellGrid, BlockBytesCoverTheTilesOfAnySize) {
    // The words of every tile, and not much more, up to sides of the largest int.
    static constexpr std::pair<int, int> kSizes[] = {
        {1, 1},           {64, 16},          {65, 17},
        {100000, 100000}, {INT_MAX - 63, 1}, {INT_MAX - 62, 1},
        {INT_MAX, 17},    {1, INT_MAX - 15}, {3, INT_MAX}};
    for (const auto& [w, h] : kSizes) {
        const double words = 16.0 * std::ceil(w / 64.0) * std::ceil(h / 16.0);
        const double bytes = static_cast<double>(CellGrid::BlockBytes(w, h));
        EXPECT_GE(bytes, 8 * words) << w << " x " << h;
        EXPECT_LE(bytes, 8 * words * 1.25 + 4096) << w << " x " << h;
    }
}

TEST(FieldCells, OperationsBetweenFastStepsAgreeWithTheModel) {
    // Round by round every kernel set the processor has, on one thread and on two.
    const test::KernelsRestored restore;
    static const char* const kSets[] = {"avx512", "avx2", "generic"};
    std::mt19937 rng(99);
    for (int round = 0; round < 36; ++round) {
        if (!SelectStepKernels(kSets[round % 3])) continue;
        SetParallelStepCells(round % 2 == 0 ? 1 : 0);
        SCOPED_TRACE(std::string(kSets[round % 3]) + (round % 2 == 0 ? ", split" : ""));
        test::TestField t;
        Field& f = t.field;
        const int w = Between(rng, 1, 260), h = Between(rng, 1, 120);
        ASSERT_TRUE(test::Resize(f, w, h));
        Model m(w + 2, h + 2);
        t.rule = test::RandomRule(rng);
        test::Soup(f, m, rng);
        ASSERT_TRUE(test::FieldAgrees(f, m, rng)) << "round " << round << ", start";
        for (int g = 0; g < 60; ++g) {
            std::string what = "step";
            if (rng() % 3 == 0) {
                what = RandomOperation(t, m, rng);
                ASSERT_TRUE(test::FieldAgrees(f, m, rng))
                    << "round " << round << ", " << g << ": " << what;
            }
            AdvanceGeneration(f, t.rule);
            m.Step(t.rule);
            ASSERT_TRUE(test::FieldAgrees(f, m, rng))
                << "round " << round << ", generation " << g << " after " << what;
        }
        // A clear leaves nothing behind for the step either.
        ClearCells(f);
        AdvanceGeneration(f, Rule{});
        EXPECT_TRUE(f.cells().empty());
    }
}

TEST(FieldCells, FreshAndClearedFieldsHoldNoTileAndResizingCarriesTheCellsOnly) {
    test::TestField t;
    Field& f = t.field;
    int tiles = 0;
    const auto count = [&] {
        tiles = 0;
        f.cells().forEachLiveTile([&](int, int) { ++tiles; });
        return tiles;
    };
    EXPECT_EQ(count(), 0);
    f.setCell(700, 300, 1);
    f.setCell(5, 1190, 1);
    EXPECT_EQ(count(), 2);
    // A larger Field carries the two cells into just two tiles, and the staging grid is left
    // as fresh as it came.
    ASSERT_TRUE(test::Resize(f, 5000, 5000));
    EXPECT_EQ(count(), 2);
    EXPECT_EQ(f.population(), 2);
    EXPECT_TRUE(f.staged().empty());
    EXPECT_FALSE(LoadAreaExtent(f).found);
    ClearCells(f);
    EXPECT_EQ(count(), 0);
    EXPECT_FALSE(FieldExtent(f).found);
}

}  // namespace
}  // namespace gb
