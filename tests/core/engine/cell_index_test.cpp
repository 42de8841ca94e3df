// The index of live tiles against a plain model of plane 0: random Fields with edits, writes
// told by cell, by box and not at all, placements, moves, resizes and clears between fast steps.
// After every operation plane 0 must equal the model, no non-zero byte may lie outside a marked
// tile, and every walk over the marked tiles must give what a walk over the whole plane gives.
#include "core/engine/cell_index.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/engine/extent.h"
#include "core/engine/field_size.h"
#include "core/engine/move.h"
#include "core/engine/step.h"
#include "core/frame.h"
#include "tests/support/scripted_host.h"

namespace gb {
namespace {

// Plane 0 as a plain grid, changed by the same operations in the plainest way.
struct Model {
    int gw = 0, gh = 0;
    std::vector<std::int8_t> cells;

    std::int8_t& at(int x, int y) { return cells[static_cast<std::size_t>(y) * gw + x]; }
    bool interior(long long x, long long y) const { return x >= 1 && x <= gw - 2 && y >= 1 && y <= gh - 2; }
    void Reset(int width, int height) {
        gw = width;
        gh = height;
        cells.assign(static_cast<std::size_t>(gw) * gh, 0);
    }
    void Shift(int dx, int dy) {
        std::vector<std::int8_t> out(cells.size(), 0);
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x)
                if (interior(std::int64_t{x} + dx, std::int64_t{y} + dy))
                    out[static_cast<std::size_t>(y + dy) * gw + (x + dx)] = at(x, y);
        cells.swap(out);
    }
    // A new size: the old grid's centre goes to the new staging grid's centre, which goes to
    // the new grid's centre, each cell kept when it fits the staging grid and the new interior.
    void Resize(int width, int height) {
        const int lw = width + 2 + kLoadMargin, lh = height + 2 + kLoadMargin;
        const int sx = (lw - gw) / 2, sy = (lh - gh) / 2;
        const int ngw = width + 2, ngh = height + 2;
        const int cx = (ngw - lw) / 2, cy = (ngh - lh) / 2;
        std::vector<std::int8_t> out(static_cast<std::size_t>(ngw) * ngh, 0);
        for (int y = 0; y < gh; ++y)
            for (int x = 0; x < gw; ++x) {
                const int lx = x + sx, ly = y + sy;
                if (at(x, y) == 0 || lx < 1 || ly < 1 || lx > lw - 2 || ly > lh - 2) continue;
                const int nx = lx + cx, ny = ly + cy;
                if (nx >= 1 && nx <= ngw - 2 && ny >= 1 && ny <= ngh - 2)
                    out[static_cast<std::size_t>(ny) * ngw + nx] = at(x, y);
            }
        gw = ngw;
        gh = ngh;
        cells.swap(out);
    }
};

// The model's next generation by the reference step, run in a Field of its own.
void ReferenceStep(Model& m, Context& scratch, const Rule& rule) {
    Field& r = scratch.field;
    if (r.gridWidth != m.gw || r.gridHeight != m.gh) {
        FreeCells(r);
        SetFieldSize(r, m.gw - 2, m.gh - 2);
        ASSERT_EQ(AllocateCells(scratch, m.gw, m.gh), kAllocOk);
        r.cellsAllocated = 1;
    }
    std::memcpy(r.cells, m.cells.data(), m.cells.size());
    NoteCellsChanged(r);
    SaveGeneration(r);
    StepGeneration(r, rule);
    std::memcpy(m.cells.data(), r.cells, m.cells.size());
}

// Everything the index promises and every walk over it, against whole-plane walks.
::testing::AssertionResult Agrees(const Field& f, Model& m) {
    if (f.gridWidth != m.gw || f.gridHeight != m.gh)
        return ::testing::AssertionFailure() << "size " << f.gridWidth << " x " << f.gridHeight;
    for (int y = 0; y < m.gh; ++y)
        for (int x = 0; x < m.gw; ++x)
            if (f.at(x, y) != m.at(x, y))
                return ::testing::AssertionFailure() << "cell (" << x << ", " << y << ") is "
                                                     << int{f.at(x, y)} << ", the model has "
                                                     << int{m.at(x, y)};
    // The index as the writers left it, before any scan could build it again.
    const CellIndex& index = f.index;
    if (!index.known) return ::testing::AssertionFailure() << "the index was forgotten";
    std::int64_t count = 0;
    CentroidSums sums;
    for (int y = 0; y < m.gh; ++y) {
        double rowCount = 0, rowSum = 0;
        for (int x = 0; x < m.gw; ++x) {
            if (m.at(x, y) == 0) continue;
            ++count;
            if (!index.Has(index.TileOfX(x), index.BandOfY(y)))
                return ::testing::AssertionFailure() << "cell (" << x << ", " << y << ") lies in an unmarked tile";
            if (m.at(x, y) == 1 && m.interior(x, y)) {
                rowSum += x;
                rowCount += 1;
            }
        }
        sums.sumX += rowSum;
        sums.sumY += rowCount * y;
        sums.count += rowCount;
    }
    if (CountLiveCells(f) != count || LiveCellCount(f) != count)
        return ::testing::AssertionFailure() << "count " << CountLiveCells(f) << " / "
                                             << LiveCellCount(f) << ", expected " << count;
    const Extent e = FieldExtent(f), plain = GridExtent(m.cells.data(), m.gw, m.gh);
    if (e.found != plain.found ||
        (e.found && (e.left != plain.left || e.top != plain.top || e.right != plain.right ||
                     e.bottom != plain.bottom || e.width != plain.width || e.height != plain.height)))
        return ::testing::AssertionFailure()
               << "extent " << e.left << "," << e.top << " - " << e.right << "," << e.bottom
               << " (" << e.found << "), expected " << plain.left << "," << plain.top << " - "
               << plain.right << "," << plain.bottom << " (" << plain.found << ")";
    const CentroidSums got = SumLiveCells(f);
    if (got.count != sums.count || got.sumX != sums.sumX || got.sumY != sums.sumY)
        return ::testing::AssertionFailure() << "centroid sums differ";
    // Plane 1 holds nothing outside the box its last user recorded.
    const DirtyBox& d = f.plane1Dirty;
    for (int y = 0; y < m.gh; ++y)
        for (int x = 0; x < m.gw; ++x)
            if (f.plane1()[static_cast<std::ptrdiff_t>(y) * m.gw + x] != 0 &&
                !(d.any && x >= d.left && x <= d.right && y >= d.top && y <= d.bottom))
                return ::testing::AssertionFailure() << "plane 1 (" << x << ", " << y << ") outside its box";
    return ::testing::AssertionSuccess();
}

Rule RandomRule(std::mt19937& rng) {
    Rule rule;
    if (rng() % 3 == 0) return rule;  // 23/3
    for (int s = 0; s < 9; ++s) {
        rule.survivalTable[s] = static_cast<int>(rng() % 2);
        rule.birthTable[s] = static_cast<int>(rng() % 3 == 0);
    }
    rule.birthTable[0] = rng() % 6 == 0 ? 1 : 0;
    return rule;
}

int Between(std::mt19937& rng, int low, int high) {
    return low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1));
}

// One random operation of the kinds between steps, on the Field and on the model.
std::string RandomOperation(Context& ctx, Model& m, std::mt19937& rng) {
    Field& f = ctx.field;
    switch (rng() % 9) {
    case 0: {  // drawing, anywhere (the border is refused)
        for (int i = 0; i < 6; ++i) {
            const int x = Between(rng, 0, m.gw - 1), y = Between(rng, 0, m.gh - 1);
            const auto v = static_cast<std::int8_t>(rng() % 2);
            if (f.setCell(x, y, v)) m.at(x, y) = v;
        }
        return "edit";
    }
    case 1: {  // a loader's cells, each told (other codes and the border too)
        for (int i = 0; i < 6; ++i) {
            const int x = Between(rng, 0, m.gw - 1), y = Between(rng, 0, m.gh - 1);
            const std::int8_t v = rng() % 5 == 0 ? static_cast<std::int8_t>(-3) : 1;
            f.at(x, y) = v;
            m.at(x, y) = v;
            NoteCellWritten(f, x, y);
        }
        return "cells told";
    }
    case 2: {  // a placement told by its box
        const int left = Between(rng, 1, m.gw - 2), top = Between(rng, 1, m.gh - 2);
        const int right = std::min(m.gw - 2, left + Between(rng, 0, 140));
        const int bottom = std::min(m.gh - 2, top + Between(rng, 0, 40));
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x)
                if (rng() % 4 == 0) f.at(x, y) = m.at(x, y) = 1;
        NoteCellsWritten(f, left, top, right, bottom);
        return "box";
    }
    case 3: {  // a write that cannot say where: the next user scans (and the index is known again)
        const int x = Between(rng, 1, m.gw - 2), y = Between(rng, 1, m.gh - 2);
        f.at(x, y) = m.at(x, y) = 1;
        NoteCellsChanged(f);
        EnsureIndex(f);
        return "untold";
    }
    case 4: {
        const int dx = Between(rng, -m.gw, m.gw), dy = Between(rng, -m.gh, m.gh);
        ShiftCells(ctx, dx, dy);
        m.Shift(dx, dy);
        return "shift " + std::to_string(dx) + " " + std::to_string(dy);
    }
    case 5: {
        const int w = Between(rng, 1, 260), h = Between(rng, 1, 120);
        if (!RebuildField(ctx, w, h)) return "resize failed";
        m.Resize(w, h);
        return "resize";
    }
    case 6:
        ClearCells(f);
        std::fill(m.cells.begin(), m.cells.end(), 0);
        return "clear";
    default:
        return "none";
    }
}

TEST(CellIndex, WalksAgreeWithWholePlaneWalksThroughRandomOperationsAndSteps) {
    std::mt19937 rng(1313);
    for (int round = 0; round < 24; ++round) {
        test::TestContext t;
        test::TestContext scratch(false);
        Context& ctx = t.ctx;
        const int w = Between(rng, 1, 260), h = Between(rng, 1, 120);
        ASSERT_TRUE(RebuildField(ctx, w, h));
        Model m;
        m.Reset(w + 2, h + 2);
        ctx.rule = RandomRule(rng);
        // A sparse start: a few soups.
        for (int k = Between(rng, 1, 4); k > 0; --k) {
            const int x0 = Between(rng, 1, m.gw - 2), y0 = Between(rng, 1, m.gh - 2);
            for (int y = y0; y < std::min(y0 + 20, m.gh - 1); ++y)
                for (int x = x0; x < std::min(x0 + 30, m.gw - 1); ++x)
                    if (rng() % 3 == 0 && ctx.field.setCell(x, y, 1)) m.at(x, y) = 1;
        }
        ASSERT_TRUE(Agrees(ctx.field, m)) << "round " << round << ", start";
        for (int g = 0; g < 60; ++g) {
            std::string what = "step";
            if (rng() % 3 == 0) {
                what = RandomOperation(ctx, m, rng);
                ASSERT_TRUE(Agrees(ctx.field, m)) << "round " << round << ", " << g << ": " << what;
            }
            if (rng() % 10 == 0) ctx.rule = RandomRule(rng);
            AdvanceGeneration(ctx.field, ctx.rule);
            ReferenceStep(m, scratch.ctx, ctx.rule);
            ASSERT_TRUE(Agrees(ctx.field, m)) << "round " << round << ", generation " << g
                                              << " after " << what;
        }
        // A clear leaves both planes empty everywhere.
        ClearCells(ctx.field);
        const Field& f = ctx.field;
        for (int i = 0; i < 2 * f.planeSize; ++i) ASSERT_EQ(f.cells[i], 0) << i;
    }
}

TEST(CellIndex, FrameOfMarkedTilesEqualsFrameOfEveryTile) {
    // The index after a run marks more tiles than hold cells; marking every tile gives the
    // plain walk. Both must paint the same pixels at every zoom and offset.
    std::mt19937 rng(99);
    test::TestContext t;
    ASSERT_TRUE(RebuildField(t.ctx, 700, 300));
    Field& f = t.ctx.field;
    for (int k = 0; k < 12; ++k) {
        const int x0 = Between(rng, 1, 650), y0 = Between(rng, 1, 260);
        for (int y = y0; y < y0 + 30; ++y)
            for (int x = x0; x < x0 + 40; ++x)
                if (rng() % 3 == 0) f.setCell(x, y, 1);
    }
    f.at(0, 5) = 4;  // the border is drawn as well
    NoteCellWritten(f, 0, 5);
    for (int g = 0; g < 40; ++g) AdvanceGeneration(f, t.ctx.rule);
    static constexpr double kZooms[] = {1.0 / 32, 1.0 / 8, 0.25, 0.5, 1, 2, 3, 6, 20};
    for (int trial = 0; trial < 60; ++trial) {
        const double zoom = kZooms[rng() % 9];
        const float left = static_cast<float>(Between(rng, -200, 720)) + 0.25f * (rng() % 4);
        const float top = static_cast<float>(Between(rng, -100, 320));
        std::vector<std::uint32_t> marked(160 * 120, 0), every(160 * 120, 0);
        const double a = PaintCells(f, PixelTarget{marked.data(), 160, 120, 160}, left, top, zoom, 9);
        const CellIndex saved = f.index;
        MarkBox(f.index, 0, 0, f.gridWidth - 1, f.gridHeight - 1);
        const double b = PaintCells(f, PixelTarget{every.data(), 160, 120, 160}, left, top, zoom, 9);
        f.index = saved;
        ASSERT_EQ(a, b);
        ASSERT_EQ(marked, every) << "zoom " << zoom << " at " << left << ", " << top;
    }
}

TEST(CellIndex, FreshAndClearedFieldsMarkNothingAndResizingKeepsTheCellsOnly) {
    test::TestContext t;
    Field& f = t.ctx.field;
    EXPECT_TRUE(f.index.known);
    EXPECT_GT(f.index.lowBand, f.index.highBand);  // nothing marked
    f.setCell(700, 300, 1);
    f.setCell(5, 1190, 1);
    EXPECT_EQ(f.index.highBand - f.index.lowBand, f.index.BandOfY(1190) - f.index.BandOfY(300));
    // A larger Field carries the two cells and marks just their two tiles.
    ASSERT_TRUE(RebuildField(t.ctx, 5000, 5000));
    int marked = 0;
    ForEachLiveBox(f.index, [&](const CellBox& box) {
        marked += (box.right - box.left + 1 + 63) / 64;
    });
    EXPECT_EQ(marked, 2);
    EXPECT_EQ(CountLiveCells(f), 2);
    // The staging grid is left as fresh as it came.
    for (int i = 0; i < f.loadWidth * f.loadHeight; i += 1) ASSERT_EQ(f.loadArea[i], 0) << i;
    ClearCells(f);
    EXPECT_GT(f.index.lowBand, f.index.highBand);
    EXPECT_FALSE(FieldExtent(f).found);
}

}  // namespace
}  // namespace gb
