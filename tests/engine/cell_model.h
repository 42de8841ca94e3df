// A byte-per-cell model of a grid, changed by the plainest loops; the checks that a CellGrid or a
// Field agrees with it; and the random operations made between steps, applied to a Field and its
// model alike. Shared by the engine's tests; the Field itself and its cells as sets come from
// tests/support/field_fixture.h.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/resize.h"
#include "engine/rule.h"
#include "engine/shift.h"
#include "engine/step.h"
#include "tests/support/byte_extent.h"
#include "tests/support/field_fixture.h"

namespace gb::test {

inline int Between(std::mt19937& rng, int low, int high) {
    return low + static_cast<int>(rng() % static_cast<unsigned>(high - low + 1));
}

inline Rule RuleOf(const char* text) {
    Rule rule;
    ParseRuleTables(rule, text);
    return rule;
}

// B3/S23 a third of the time, otherwise random tables, now and then with birth on 0.
inline Rule RandomRule(std::mt19937& rng) {
    Rule rule;
    if (rng() % 3 == 0) return rule;
    for (std::size_t s = 0; s < 9; ++s) {
        rule.survivalTable[s] = static_cast<int>(rng() % 2);
        rule.birthTable[s] = static_cast<int>(rng() % 3 == 0);
    }
    rule.birthTable[0] = rng() % 6 == 0 ? 1 : 0;
    return rule;
}

struct Model {
    int w = 0, h = 0;
    std::vector<std::int8_t> cells;

    Model(int width = 0, int height = 0)
        : w(width), h(height), cells(static_cast<std::size_t>(w) * h, 0) {}
    std::int8_t& at(int x, int y) { return cells[static_cast<std::size_t>(y) * w + x]; }
    int get(std::int64_t x, std::int64_t y) const {
        return x >= 0 && y >= 0 && x < w && y < h ? cells[static_cast<std::size_t>(y * w + x)] : 0;
    }
    bool interior(std::int64_t x, std::int64_t y) const {
        return x >= 1 && x <= w - 2 && y >= 1 && y <= h - 2;
    }
    void Live(std::int64_t x, std::int64_t y) {
        if (interior(x, y)) at(static_cast<int>(x), static_cast<int>(y)) = 1;
    }
    std::int64_t population() const { return std::count(cells.begin(), cells.end(), 1); }
    void Shift(std::int64_t dx, std::int64_t dy) {
        Model out(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y) != 0) out.Live(x + dx, y + dy);
        cells.swap(out.cells);
    }
    // A new interior of width × height: the old grid's centre goes to the new staging grid's
    // centre, that one to the new grid's centre; a cell stays when it lands off the staging
    // grid's edge rows and columns and in the new interior.
    void Resize(int width, int height) {
        const int lw = width + 2 + kLoadMargin, lh = height + 2 + kLoadMargin;
        const int sx = (lw - w) / 2, sy = (lh - h) / 2;
        Model out(width + 2, height + 2);
        const int cx = (out.w - lw) / 2, cy = (out.h - lh) / 2;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y) != 0 && x + sx >= 1 && y + sy >= 1 && x + sx <= lw - 2 &&
                    y + sy <= lh - 2)
                    out.Live(x + sx + cx, y + sy + cy);
        *this = std::move(out);
    }
    void Step(const Rule& rule) { ReferenceStep(cells, w, h, rule); }
};

// The box as a comparable value (nothing but found when there is no cell).
inline std::vector<int> Box(const Extent& e) {
    if (!e.found) return {0};
    return {1, e.left, e.top, e.right, e.bottom, e.width, e.height};
}

inline ::testing::AssertionResult SameExtent(const Extent& got, const Model& m) {
    const Extent want = ByteExtent(m.cells.data(), m.w, m.h);
    if (Box(got) == Box(want)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "extent " << got.left << "," << got.top << " - " << got.right << "," << got.bottom
           << " (" << got.found << "), expected " << want.left << "," << want.top << " - "
           << want.right << "," << want.bottom;
}

// Every cell, count, tile, word and walk of the grid against the model.
inline ::testing::AssertionResult GridAgrees(const CellGrid& g, const Model& m, std::mt19937& rng) {
    using ::testing::AssertionFailure;
    if (g.width() != m.w || g.height() != m.h)
        return AssertionFailure() << "size " << g.width() << " x " << g.height();
    for (int y = -1; y <= m.h; ++y)
        for (int x = -1; x <= m.w; ++x)
            if (g.get(x, y) != (m.get(x, y) != 0))
                return AssertionFailure() << "cell (" << x << ", " << y << ")";
    if (g.population() != m.population() || g.empty() != (m.population() == 0))
        return AssertionFailure() << "population " << g.population() << ", expected "
                                  << m.population();
    if (auto same = SameExtent(g.extent(), m); !same) return same;
    std::vector<std::pair<int, int>> live, visited;
    for (int ty = 0; ty < g.tilesY(); ++ty) {
        bool rowLive = false;
        for (int tx = 0; tx < g.tilesX(); ++tx) {
            int pop = 0;
            for (int y = ty * 16; y < ty * 16 + 16; ++y) {  // the padding rows and columns too
                std::uint64_t word = 0;
                for (int k = 0; k < 64; ++k) word |= std::uint64_t(m.get(tx * 64 + k, y)) << k;
                if (g.word(tx, y) != word)
                    return AssertionFailure() << "word (" << tx << ", " << y << ")";
                pop += std::popcount(word);
            }
            if (g.tilePopulation(tx, ty) != pop || g.tileLive(tx, ty) != (pop != 0))
                return AssertionFailure()
                       << "tile (" << tx << ", " << ty << ") counts " << g.tilePopulation(tx, ty);
            if (pop != 0) live.emplace_back(tx, ty);
            rowLive |= pop != 0;
        }
        if (g.tileRowLive(ty) != rowLive) return AssertionFailure() << "tile row " << ty;
    }
    // 64 cells from any column on.
    for (int i = 0; i < 20; ++i) {
        const int x = Between(rng, 0, m.w - 1), y = Between(rng, 0, m.h - 1);
        std::uint64_t bits = 0;
        for (int k = 0; k < 64; ++k) bits |= std::uint64_t(m.get(x + k, y) != 0) << k;
        if (g.bitsAt(x, y) != bits)
            return AssertionFailure() << "64 cells from (" << x << ", " << y << ")";
    }
    g.forEachLiveTile([&](int tx, int ty) { visited.emplace_back(tx, ty); });
    if (visited != live)
        return AssertionFailure() << "forEachLiveTile visits " << visited.size() << " tiles";
    // Runs, first and last live cells over windows of every kind, against a plain walk.
    for (int y = -1; y <= m.h; ++y) {
        const int windows[][2] = {{0, m.w - 1},
                                  {-9, m.w + 70},
                                  {Between(rng, -2, m.w), Between(rng, -2, m.w + 1)},
                                  {Between(rng, 0, m.w), Between(rng, 0, m.w)},
                                  {m.w - 1, 0}};
        for (const auto& [left, right] : windows) {
            std::vector<std::pair<int, int>> runs, plain;
            g.forEachRun(y, left, right, [&](int x0, int x1) { runs.emplace_back(x0, x1); });
            for (int x = std::max(left, 0); x <= std::min(right, m.w - 1); ++x)
                if (m.get(x, y) != 0) {
                    if (plain.empty() || plain.back().second != x - 1) plain.emplace_back(x, x);
                    plain.back().second = x;
                }
            const int first = plain.empty() ? -1 : plain.front().first;
            const int last = plain.empty() ? -1 : plain.back().second;
            if (runs != plain || g.firstLive(y, left, right) != first ||
                g.lastLive(y, left, right) != last || g.anyLive(y, left, right) != !plain.empty())
                return AssertionFailure()
                       << "row " << y << " within " << left << " .. " << right << ": "
                       << runs.size() << " runs, first " << g.firstLive(y, left, right) << ", last "
                       << g.lastLive(y, left, right) << "; expected " << plain.size() << ", "
                       << first << ", " << last;
        }
    }
    return ::testing::AssertionSuccess();
}

// The Field's current generation as the user sees it: every cell (the border dead) and the count.
inline ::testing::AssertionResult SameCells(const Field& f, const Model& m) {
    if (f.gridWidth != m.w || f.gridHeight != m.h || f.cells().width() != m.w ||
        f.cells().height() != m.h)
        return ::testing::AssertionFailure() << "size " << f.gridWidth << " x " << f.gridHeight;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (f.at(x, y) != m.get(x, y))
                return ::testing::AssertionFailure()
                       << "cell (" << x << ", " << y << ") is " << int{f.at(x, y)};
    if (f.population() != m.population())
        return ::testing::AssertionFailure()
               << "population " << f.population() << ", expected " << m.population();
    return ::testing::AssertionSuccess();
}

// SameCells, the walks, the extent and the centroid sums.
inline ::testing::AssertionResult FieldAgrees(const Field& f, const Model& m, std::mt19937& rng) {
    if (auto same = SameCells(f, m); !same) return same;
    if (auto grid = GridAgrees(f.cells(), m, rng); !grid) return grid;
    if (auto extent = SameExtent(FieldExtent(f), m); !extent) return extent;
    CentroidSums want;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x)
            if (m.get(x, y) != 0) want.count += 1, want.sumX += x, want.sumY += y;
    const CentroidSums got = SumLiveCells(f);
    if (got.count != want.count || got.sumX != want.sumX || got.sumY != want.sumY)
        return ::testing::AssertionFailure()
               << "centroid sums " << got.count << ", " << got.sumX << ", " << got.sumY;
    return ::testing::AssertionSuccess();
}

// A random soup in the interior: in eighths from one to all, or sparse.
inline void Soup(Field& f, Model& m, std::mt19937& rng, unsigned eighths = 0) {
    if (eighths == 0) eighths = rng() % 3 == 0 ? 9 : 1 + rng() % 8;
    for (int y = 1; y < m.h - 1; ++y)
        for (int x = 1; x < m.w - 1; ++x)
            if (eighths > 8 ? rng() % 200 == 0 : rng() % 8 < eighths)
                f.setCell(x, y, 1), m.at(x, y) = 1;
}

// Puts the step's kernel set and thread split back as they were when it goes.
struct KernelsRestored {
    std::string kernels = StepKernelName();
    ~KernelsRestored() {
        SelectStepKernels(kernels.c_str());
        SetParallelStepCells(0);
    }
};

// Rebuilds the Field at an interior of w × h; true when it has that size and no allocation failed.
inline bool Resize(Field& f, int w, int h) {
    bool failed = false;
    const RebuildResult result = RebuildBlocks(f, w, h, [&](const AllocResult&) { failed = true; });
    return result.resized && !failed;
}

// One random operation of the kinds made between steps, on the Field and on its model (a resize
// only when allowed); returns what it did.
inline std::string RandomOperation(TestField& t, Model& m, std::mt19937& rng, bool resize = true) {
    Field& f = t.field;
    switch (rng() % 10) {
        case 0:  // drawing, anywhere (the border and beyond are refused)
            for (int i = 0; i < 6; ++i) {
                const int x = Between(rng, -1, m.w), y = Between(rng, -1, m.h);
                const bool live = rng() % 3 != 0;
                EXPECT_EQ(f.setCell(x, y, live ? 1 : 0), m.interior(x, y));
                if (m.interior(x, y)) m.at(x, y) = live ? 1 : 0;
            }
            return "cells";
        case 1: {  // a row span or a row's bits, clipped to the interior
            const int y = Between(rng, -1, m.h), x0 = Between(rng, -70, m.w + 2),
                      count = Between(rng, 0, 200);
            const bool span = rng() % 2 == 0;
            std::vector<std::uint64_t> bits(static_cast<std::size_t>(count / 64 + 1),
                                            ~std::uint64_t{0});
            if (span) f.fillRow(y, x0, x0 + count - 1);
            for (auto& word : bits) word = span ? word : std::uint64_t{rng()} << 32 | rng();
            if (!span) f.orRowBits(y, x0, bits.data(), count);
            for (int i = 0; i < count; ++i)
                if (bits[static_cast<std::size_t>(i / 64)] >> (i % 64) & 1)
                    m.Live(std::int64_t{x0} + i, y);
            return (span ? "row " : "row bits ") + std::to_string(y) + ": " + std::to_string(x0) +
                   " + " + std::to_string(count);
        }
        case 2: {  // a reader's placement: cells staged near a random point, a box of them placed
            const CellGrid& s = f.staged();
            const int sx = Between(rng, 0, s.width() - 1), sy = Between(rng, 0, s.height() - 1);
            Model staged(s.width(), s.height());
            for (int y = sy; y < std::min(sy + Between(rng, 1, 40), s.height()); ++y)
                for (int x = sx; x < std::min(sx + Between(rng, 1, 140), s.width()); ++x)
                    if (rng() % 3 == 0) f.staging().set(x, y, true), staged.at(x, y) = 1;
            EXPECT_TRUE(SameExtent(LoadAreaExtent(f), staged));
            const bool whole = rng() % 3 == 0;
            const int left = whole ? 0 : sx + Between(rng, -5, 60),
                      top = whole ? 0 : sy + Between(rng, -5, 20);
            const int right = whole ? s.width() - 1 : left + Between(rng, -1, 100);
            const int bottom = whole ? s.height() - 1 : top + Between(rng, -1, 30);
            const int dx = Between(rng, -2, m.w) - sx, dy = Between(rng, -2, m.h) - sy;
            f.placeStaged(left, top, right, bottom, dx, dy);
            for (int y = std::max(top, 0); y <= std::min(bottom, s.height() - 1); ++y)
                for (int x = std::max(left, 0); x <= std::min(right, s.width() - 1); ++x)
                    if (staged.at(x, y) != 0) m.Live(std::int64_t{x} + dx, std::int64_t{y} + dy);
            f.staging().clear();
            EXPECT_TRUE(f.staged().empty());
            return "placement at " + std::to_string(dx) + ", " + std::to_string(dy);
        }
        case 3: {
            const bool far = rng() % 8 == 0;
            const int dx = far ? INT_MAX : Between(rng, -m.w, m.w),
                      dy = far ? INT_MIN : Between(rng, -m.h, m.h);
            ShiftPlane(f, dx, dy);
            m.Shift(dx, dy);
            return "shift " + std::to_string(dx) + ", " + std::to_string(dy);
        }
        case 4: {
            if (!resize) break;
            const bool same = rng() % 4 == 0;  // the same size again: new blocks all the same
            const int w = same ? m.w - 2 : Between(rng, 1, 260),
                      h = same ? m.h - 2 : Between(rng, 1, 120);
            EXPECT_TRUE(Resize(f, w, h));
            m.Resize(w, h);
            return "resize " + std::to_string(w) + " x " + std::to_string(h);
        }
        case 5:
            ClearCells(f);
            std::fill(m.cells.begin(), m.cells.end(), 0);
            return "clear";
        case 6: {  // edits undone from a snapshot
            const Field::Snapshot snapshot = f.snapshotCells();
            f.fillRow(Between(rng, 1, m.h), 1, m.w);
            f.setCell(Between(rng, 1, m.w - 2), Between(rng, 1, m.h - 2), 0);
            f.restoreCells(snapshot);
            return "restore";
        }
        case 7: t.rule = RandomRule(rng); return "rule change";
        case 8: ResetStepTracking(f); return "reset tracking";
    }
    return "nothing";
}

}  // namespace gb::test
