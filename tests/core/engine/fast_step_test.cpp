// The fast step against the reference step, byte for byte, over random Fields, sizes, rules and
// edits; and the population it keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/engine/step.h"
#include "tests/support/scripted_host.h"

namespace gb {
namespace {

// Two Fields of the same size, one stepped fast and one by the reference.
struct Pair {
    test::TestContext fast{false};
    test::TestContext ref{false};

    void Resize(int width, int height) {
        for (Context* c : {&fast.ctx, &ref.ctx}) {
            FreeCells(c->field);
            SetFieldSize(c->field, width, height);
            ASSERT_EQ(AllocateCells(*c, c->field.gridWidth, c->field.gridHeight), kAllocOk);
            c->field.cellsAllocated = 1;
        }
    }
    Field& f() { return fast.ctx.field; }
    Field& r() { return ref.ctx.field; }

    void SetRule(const Rule& rule) {
        fast.ctx.rule = rule;
        ref.ctx.rule = rule;
    }
    void Step() {
        AdvanceGeneration(f(), fast.ctx.rule);
        SaveGeneration(r());
        StepGeneration(r(), ref.ctx.rule);
    }
    // Writes both planes 0 directly (as loaders do) and tells the Fields.
    void Write(int x, int y, std::int8_t v) {
        f().at(x, y) = v;
        r().at(x, y) = v;
        NoteCellsChanged(f());
        NoteCellsChanged(r());
    }
    void SetCell(int x, int y, std::int8_t v) {
        EXPECT_EQ(f().setCell(x, y, v), r().setCell(x, y, v));
    }
    void Clear() {
        ClearCells(f());
        ClearCells(r());
    }
};

std::int64_t SlowCount(const Field& f) {
    std::int64_t n = 0;
    for (int i = 0; i < f.planeSize; ++i) n += f.cells[i] != 0;
    return n;
}

// Compares plane 0 and the counts; reports the first differing cell.
::testing::AssertionResult Same(Pair& p) {
    const Field& f = p.f();
    const Field& r = p.r();
    if (std::memcmp(f.cells, r.cells, static_cast<std::size_t>(f.planeSize)) != 0) {
        for (int i = 0; i < f.planeSize; ++i)
            if (f.cells[i] != r.cells[i])
                return ::testing::AssertionFailure()
                       << "cell (" << i % f.gridWidth << ", " << i / f.gridWidth << ") is "
                       << int{f.cells[i]} << ", the reference has " << int{r.cells[i]};
    }
    const std::int64_t expected = SlowCount(r);
    if (LiveCellCount(f) != expected || CountLiveCells(f) != expected)
        return ::testing::AssertionFailure() << "population " << LiveCellCount(f) << " / "
                                             << CountLiveCells(f) << ", expected " << expected;
    return ::testing::AssertionSuccess();
}

Rule RandomRule(std::mt19937& rng) {
    Rule rule;
    const int kind = static_cast<int>(rng() % 6);
    if (kind == 0) return rule;  // 23/3
    for (int s = 0; s < 9; ++s) {
        rule.survivalTable[s] = static_cast<int>(rng() % 2);
        rule.birthTable[s] = static_cast<int>(rng() % 3 == 0);
    }
    rule.birthTable[0] = kind == 1 ? 1 : 0;  // birth on 0 neighbours now and then
    return rule;
}

void FillRandom(Pair& p, std::mt19937& rng, bool otherCodes) {
    const Field& f = p.f();
    const unsigned density = 1 + rng() % 8;  // in eighths; 1 .. 8
    const bool sparse = rng() % 3 == 0;
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x) {
            std::int8_t v = sparse ? (rng() % 200 == 0) : (rng() % 8 < density);
            if (otherCodes && rng() % 50 == 0) {
                static constexpr std::int8_t kOdd[] = {2, -1, 5, 127, -128, 3};
                v = kOdd[rng() % 6];
            }
            p.f().at(x, y) = v;
            p.r().at(x, y) = v;
        }
    NoteCellsChanged(p.f());
    NoteCellsChanged(p.r());
}

// Some edits of the kinds the program makes between steps.
void RandomEdits(Pair& p, std::mt19937& rng) {
    const int gw = p.f().gridWidth, gh = p.f().gridHeight;
    switch (rng() % 6) {
    case 0:
        for (int i = 0; i < 5; ++i)
            p.SetCell(static_cast<int>(rng() % gw), static_cast<int>(rng() % gh),
                      static_cast<std::int8_t>(rng() % 2));
        break;
    case 1:
        for (int i = 0; i < 5; ++i)
            p.Write(1 + static_cast<int>(rng() % (gw - 2)), 1 + static_cast<int>(rng() % (gh - 2)),
                    static_cast<std::int8_t>(rng() % 2));
        break;
    case 2:
        p.Write(1 + static_cast<int>(rng() % (gw - 2)), 1 + static_cast<int>(rng() % (gh - 2)), 7);
        break;
    case 3:
        p.Clear();
        p.SetCell(gw / 2, gh / 2, 1);
        p.SetCell(gw / 2 + 1, gh / 2, 1);
        p.SetCell(gw / 2 - 1, gh / 2, 1);
        break;
    case 4:
        p.SetRule(RandomRule(rng));
        break;
    default:
        break;
    }
}

class FastStep : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        previous_ = StepKernelName();
        if (!SelectStepKernels(GetParam())) GTEST_SKIP() << "this processor lacks " << GetParam();
    }
    void TearDown() override {
        SelectStepKernels(previous_.c_str());
        SetParallelStepCells(std::int64_t{1} << 19);
    }
    std::string previous_;
};

TEST_P(FastStep, MatchesTheReferenceOnEveryShapeRuleAndEdit) {
    std::mt19937 rng(2024);
    const std::vector<std::pair<int, int>> fixed{
        {1, 1}, {1, 40}, {40, 1}, {2, 2}, {3, 3}, {63, 5}, {64, 17}, {65, 16}, {127, 33},
        {128, 1}, {1, 129}, {130, 70}, {200, 3}, {5, 200}, {191, 48}, {66, 66}};
    for (int round = 0; round < 48; ++round) {
        Pair p;
        int w, h;
        if (round < static_cast<int>(fixed.size())) {
            std::tie(w, h) = fixed[static_cast<std::size_t>(round)];
        } else {
            w = 1 + static_cast<int>(rng() % 230);
            h = 1 + static_cast<int>(rng() % 120);
        }
        // Half the rounds split even small Fields between the two threads.
        SetParallelStepCells(round % 2 == 0 ? 1 : std::int64_t{1} << 40);
        p.Resize(w, h);
        if (HasFailure()) return;
        p.SetRule(RandomRule(rng));
        FillRandom(p, rng, round % 4 == 3);
        const int generations = 20 + static_cast<int>(rng() % 30);
        for (int g = 0; g < generations; ++g) {
            if (rng() % 8 == 0) RandomEdits(p, rng);
            p.Step();
            ASSERT_TRUE(Same(p)) << w << " x " << h << ", round " << round << ", generation " << g;
        }
    }
}

TEST_P(FastStep, LongRunsWithoutEditsStayExact) {
    // Soups left alone settle into still lifes and oscillators: the step then computes only the
    // tiles where something still changes, across tile and band edges and the two halves.
    std::mt19937 rng(77);
    SetParallelStepCells(std::int64_t{1} << 40);
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{150, 90}, {97, 131}}) {
        Pair p;
        p.Resize(w, h);
        FillRandom(p, rng, false);
        for (int g = 0; g < 300; ++g) {
            p.Step();
            ASSERT_TRUE(Same(p)) << w << " x " << h << ", generation " << g;
        }
    }
}

TEST_P(FastStep, LargeFieldOnTwoThreads) {
    // Large enough for the usual two-thread split.
    Pair p;
    p.Resize(1000, 600);
    std::mt19937 rng(5);
    FillRandom(p, rng, false);
    for (int g = 0; g < 12; ++g) {
        p.Step();
        ASSERT_TRUE(Same(p)) << "generation " << g;
    }
}

TEST_P(FastStep, IslandsOfLifeAcrossBandsAndTiles) {
    // Small soups and gliders scattered over a wide Field: neighbouring bands then compute runs of
    // different columns, so a band finds the row above it now in the work rows and now in a saved
    // copy; islands with other codes are computed exactly beside ones that are not.
    std::mt19937 rng(31337);
    for (int round = 0; round < 8; ++round) {
        SetParallelStepCells(round % 2 == 0 ? 1 : std::int64_t{1} << 40);
        Pair p;
        const int w = 300 + static_cast<int>(rng() % 500), h = 60 + static_cast<int>(rng() % 140);
        p.Resize(w, h);
        if (HasFailure()) return;
        if (round % 3 == 2) {
            Rule rule;  // 34 life: long-lived, wandering activity
            rule.birthTable = {0, 0, 0, 1, 1, 0, 0, 0, 0};
            rule.survivalTable = {0, 0, 0, 1, 1, 0, 0, 0, 0};
            p.SetRule(rule);
        }
        const int islands = 4 + static_cast<int>(rng() % 10);
        for (int i = 0; i < islands; ++i) {
            const int side = 3 + static_cast<int>(rng() % 20);
            const int x0 = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::max(1, w - side)));
            const int y0 = 1 + static_cast<int>(rng() % static_cast<unsigned>(std::max(1, h - side)));
            const bool odd = rng() % 5 == 0;
            for (int y = y0; y < std::min(y0 + side, h + 1); ++y)
                for (int x = x0; x < std::min(x0 + side, w + 1); ++x) {
                    std::int8_t v = static_cast<std::int8_t>(rng() % 2);
                    if (odd && rng() % 7 == 0) v = 9;
                    p.f().at(x, y) = v;
                    p.r().at(x, y) = v;
                }
        }
        NoteCellsChanged(p.f());
        NoteCellsChanged(p.r());
        for (int g = 0; g < 120; ++g) {
            if (g % 40 == 39) {  // a glider into a quiet area, after the Field has settled a little
                const int gx = 2 + static_cast<int>(rng() % static_cast<unsigned>(w - 4));
                const int gy = 2 + static_cast<int>(rng() % static_cast<unsigned>(h - 4));
                for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
                    if (gx + x <= w && gy + y <= h) p.SetCell(gx + x, gy + y, 1);
            }
            p.Step();
            ASSERT_TRUE(Same(p)) << w << " x " << h << ", round " << round << ", generation " << g;
        }
    }
}

TEST_P(FastStep, ResizingStartsAfresh) {
    Pair p;
    std::mt19937 rng(9);
    p.Resize(100, 80);
    FillRandom(p, rng, false);
    for (int g = 0; g < 5; ++g) p.Step();
    // A new block of another size, then the same size again: nothing of the old tracking may
    // survive into it.
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{70, 90}, {70, 90}}) {
        p.Resize(w, h);
        FillRandom(p, rng, false);
        for (int g = 0; g < 10; ++g) {
            p.Step();
            ASSERT_TRUE(Same(p)) << w << " x " << h << ", generation " << g;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, FastStep, ::testing::Values("generic", "avx2", "avx512"),
                         [](const auto& info) { return std::string(info.param); });

TEST(FastStepTracking, AGliderKeepsItsShapeAcrossTiles) {
    test::TestContext t;
    Field& f = t.ctx.field;
    // Heading right and down from near the top-left corner.
    const int gx = 5, gy = 5;
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}) f.setCell(gx + x, gy + y, 1);
    for (int g = 1; g <= 400; ++g) {
        AdvanceGeneration(f, t.ctx.rule);
        if (g % 4 != 0) continue;
        const int d = g / 4;
        std::int64_t live = 0;
        for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
            live += f.at(gx + d + x, gy + d + y);
        ASSERT_EQ(live, 5) << "generation " << g;
        ASSERT_EQ(LiveCellCount(f), 5) << "generation " << g;
    }
    EXPECT_EQ(CountLiveCells(f), 5);
}

TEST(FastStepTracking, CountFollowsWritesBetweenSteps) {
    test::TestContext t;
    Field& f = t.ctx.field;
    f.setCell(10, 10, 1);
    f.setCell(11, 10, 1);
    f.setCell(12, 10, 1);
    AdvanceGeneration(f, t.ctx.rule);
    EXPECT_EQ(LiveCellCount(f), 3);
    f.setCell(500, 500, 1);  // not a step: the count is the scan's
    EXPECT_EQ(LiveCellCount(f), 4);
    f.at(600, 600) = 1;
    NoteCellsChanged(f);
    EXPECT_EQ(LiveCellCount(f), 5);
    ClearCells(f);
    EXPECT_EQ(LiveCellCount(f), 0);
    AdvanceGeneration(f, t.ctx.rule);
    EXPECT_EQ(LiveCellCount(f), 0);
}

}  // namespace
}  // namespace gb
