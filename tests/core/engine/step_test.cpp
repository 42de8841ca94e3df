#include "core/engine/step.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

#include "tests/support/scripted_host.h"

namespace gb {
namespace {

using Cells = std::set<std::pair<int, int>>;

Cells LiveCells(const Field& f) {
    Cells out;
    for (int y = 0; y < f.gridHeight; ++y)
        for (int x = 0; x < f.gridWidth; ++x)
            if (f.at(x, y) != 0) out.emplace(x, y);
    return out;
}

void Place(Field& f, const Cells& cells) {
    for (auto [x, y] : cells) f.setCell(x, y, 1);
}

void Step(Context& ctx) {
    SaveGeneration(ctx.field);
    StepGeneration(ctx.field, ctx.rule);
}

Rule MakeRule(std::initializer_list<int> survival, std::initializer_list<int> birth) {
    Rule r;
    r.survivalTable.fill(0);
    r.birthTable.fill(0);
    for (int s : survival) r.survivalTable[s] = 1;
    for (int b : birth) r.birthTable[b] = 1;
    return r;
}

struct StepTest : ::testing::Test {
    test::TestContext t;
    Context& ctx = t.ctx;
    Field& f = t.ctx.field;
};

TEST_F(StepTest, BlinkerOscillatesAndBlockStays) {
    const Cells horizontal{{10, 20}, {11, 20}, {12, 20}};
    const Cells vertical{{11, 19}, {11, 20}, {11, 21}};
    const Cells block{{100, 100}, {101, 100}, {100, 101}, {101, 101}};
    Place(f, horizontal);
    Place(f, block);
    Cells both = block;
    both.insert(vertical.begin(), vertical.end());
    Step(ctx);
    EXPECT_EQ(LiveCells(f), both);
    Step(ctx);
    both = block;
    both.insert(horizontal.begin(), horizontal.end());
    EXPECT_EQ(LiveCells(f), both);
}

TEST_F(StepTest, TheBorderCutsPatternsOff) {
    // A row of three along row 1: only its middle cell and the one below it remain.
    Place(f, {{50, 1}, {51, 1}, {52, 1}});
    Step(ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{51, 1}, {51, 2}}));
    // The same against the right and bottom edges.
    ClearCells(f);
    const int r = f.gridWidth - 2, b = f.gridHeight - 2;
    Place(f, {{r, 40}, {r, 41}, {r, 42}});
    Step(ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{r, 41}, {r - 1, 41}}));
    ClearCells(f);
    Place(f, {{70, b}, {71, b}, {72, b}});
    Step(ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{71, b}, {71, b - 1}}));
}

TEST_F(StepTest, EmptyFieldStaysEmptyWithoutBirthOnZero) {
    ctx.rule = MakeRule({0, 1, 2, 3, 4, 5, 6, 7, 8}, {1, 2, 3, 4, 5, 6, 7, 8});
    Step(ctx);
    EXPECT_TRUE(LiveCells(f).empty());
}

TEST_F(StepTest, BirthOnZeroFillsTheInteriorButNeverTheBorder) {
    ctx.rule = MakeRule({}, {0});
    f.setCell(600, 600, 1);
    Step(ctx);
    // Every interior cell without a live neighbour is born; the old cell and its neighbours die.
    long live = 0;
    for (int y = 0; y < f.gridHeight; ++y)
        for (int x = 0; x < f.gridWidth; ++x) {
            const bool interior = f.isInterior(x, y);
            const bool nearOld = std::abs(x - 600) <= 1 && std::abs(y - 600) <= 1;
            ASSERT_EQ(f.at(x, y), interior && !nearOld ? 1 : 0) << x << "," << y;
            live += f.at(x, y);
        }
    EXPECT_EQ(live, 1200L * 1200L - 9);
}

TEST_F(StepTest, RuleWithNothingClearsEverything) {
    ctx.rule = MakeRule({}, {});
    std::mt19937 rng(7);
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x) f.at(x, y) = static_cast<std::int8_t>(rng() & 1);
    Step(ctx);
    EXPECT_TRUE(LiveCells(f).empty());
}

TEST_F(StepTest, RuleChangeAffectsOnlyTheNextStep) {
    Place(f, {{10, 10}, {11, 10}, {12, 10}});
    Step(ctx);
    ctx.rule = MakeRule({}, {});
    Step(ctx);
    EXPECT_TRUE(LiveCells(f).empty());
}

TEST_F(StepTest, OtherCodesKeepTheirValue) {
    f.at(30, 30) = 5;
    f.setCell(31, 30, 1);
    Step(ctx);
    EXPECT_EQ(f.at(30, 30), 5);
}

TEST_F(StepTest, RandomSoupKeepsTheBorderDeadOverManySteps) {
    std::mt19937 rng(42);
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x) f.at(x, y) = static_cast<std::int8_t>(rng() & 1);
    ctx.rule = MakeRule({1, 2, 3, 4, 5}, {0, 3, 6});  // births on 0 push against the border
    for (int i = 0; i < 5; ++i) Step(ctx);
    for (int x = 0; x < f.gridWidth; ++x) {
        ASSERT_EQ(f.at(x, 0), 0);
        ASSERT_EQ(f.at(x, f.gridHeight - 1), 0);
    }
    for (int y = 0; y < f.gridHeight; ++y) {
        ASSERT_EQ(f.at(0, y), 0);
        ASSERT_EQ(f.at(f.gridWidth - 1, y), 0);
    }
}

}  // namespace
}  // namespace gb
