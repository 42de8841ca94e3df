// Known patterns, the border and the rules' extremes, through the reference step and the fast
// step alike.
#include "engine/step.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "tests/engine/cell_model.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;
using test::Place;

struct StepTest : ::testing::TestWithParam<void (*)(Field&, const Rule&)> {
    test::TestField t;
    Field& f = t.field;
    Rule& rule = t.rule;
    void Step() { GetParam()(f, rule); }
    void Soup(unsigned seed) {
        std::mt19937 rng(seed);
        for (int y = 1; y < f.gridHeight - 1; ++y)
            for (int x = 1; x < f.gridWidth - 1; ++x)
                f.setCell(x, y, static_cast<std::int8_t>(rng() & 1));
    }
};

TEST_P(StepTest, BlinkerOscillatesAndBlockStays) {
    const Cells horizontal{{10, 20}, {11, 20}, {12, 20}};
    const Cells vertical{{11, 19}, {11, 20}, {11, 21}};
    const Cells block{{100, 100}, {101, 100}, {100, 101}, {101, 101}};
    Place(f, horizontal);
    Place(f, block);
    for (const Cells* blinker : {&vertical, &horizontal, &vertical}) {
        Step();
        Cells both = block;
        both.insert(blinker->begin(), blinker->end());
        EXPECT_EQ(LiveCells(f), both);
    }
}

TEST_P(StepTest, TheBorderCutsPatternsOff) {
    // A row of three along row 1: only its middle cell and the one below it remain.
    Place(f, {{50, 1}, {51, 1}, {52, 1}});
    Step();
    EXPECT_EQ(LiveCells(f), (Cells{{51, 1}, {51, 2}}));
    // The same against the right and bottom edges.
    ClearCells(f);
    const int r = f.gridWidth - 2, b = f.gridHeight - 2;
    Place(f, {{r, 40}, {r, 41}, {r, 42}});
    Step();
    EXPECT_EQ(LiveCells(f), (Cells{{r, 41}, {r - 1, 41}}));
    ClearCells(f);
    Place(f, {{70, b}, {71, b}, {72, b}});
    Step();
    EXPECT_EQ(LiveCells(f), (Cells{{71, b}, {71, b - 1}}));
}

TEST_P(StepTest, EmptyFieldStaysEmptyWithoutBirthOnZero) {
    rule = test::RuleOf("012345678/12345678");
    Step();
    EXPECT_TRUE(f.cells().empty());
}

TEST_P(StepTest, BirthOnZeroFillsTheInteriorButNeverTheBorder) {
    rule = test::RuleOf("/0");
    f.setCell(600, 600, 1);
    Step();
    // Every interior cell without a live neighbour is born; the old cell and its neighbours die.
    for (int y = 0; y < f.gridHeight; ++y)
        for (int x = 0; x < f.gridWidth; ++x) {
            const bool nearOld = std::abs(x - 600) <= 1 && std::abs(y - 600) <= 1;
            ASSERT_EQ(f.at(x, y), f.isInterior(x, y) && !nearOld ? 1 : 0) << x << "," << y;
        }
    EXPECT_EQ(f.population(), 1200L * 1200L - 9);
}

TEST_P(StepTest, RuleWithNothingClearsEverythingAndOnlyFromTheNextStep) {
    Soup(7);
    const Rule life = rule;
    rule = test::RuleOf("/");
    Step();
    EXPECT_TRUE(LiveCells(f).empty());
    rule = life;
    Place(f, {{10, 10}, {11, 10}, {12, 10}});
    Step();
    rule = test::RuleOf("/");
    EXPECT_EQ(LiveCells(f), (Cells{{11, 9}, {11, 10}, {11, 11}}));
    Step();
    EXPECT_TRUE(LiveCells(f).empty());
}

TEST_P(StepTest, RandomSoupKeepsTheBorderDeadOverManySteps) {
    Soup(42);
    rule = test::RuleOf("12345/036");  // births on 0 push against the border
    for (int i = 0; i < 5; ++i) Step();
    EXPECT_TRUE(test::BorderIsDead(f));
}

TEST_P(StepTest, AGliderKeepsItsShapeAcrossTiles) {
    ASSERT_TRUE(test::Resize(f, 300, 300));
    // Heading right and down from near the top-left corner, over many tile edges.
    const Cells glider{{6, 5}, {7, 6}, {5, 7}, {6, 7}, {7, 7}};
    Place(f, glider);
    for (int g = 1; g <= 400; ++g) {
        Step();
        if (g % 4 == 0) {
            ASSERT_EQ(LiveCells(f), test::Shifted(glider, g / 4, g / 4)) << "generation " << g;
        }
    }
    EXPECT_EQ(f.population(), 5);
}

TEST_P(StepTest, CountFollowsWritesBetweenSteps) {
    Place(f, {{10, 10}, {11, 10}, {12, 10}});
    Step();
    EXPECT_EQ(f.population(), 3);
    f.setCell(500, 500, 1);
    EXPECT_EQ(f.population(), 4);
    f.fillRow(600, 10, 19);
    EXPECT_EQ(f.population(), 14);
    ClearCells(f);
    EXPECT_EQ(f.population(), 0);
    Step();
    EXPECT_EQ(f.population(), 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, StepTest, ::testing::Values(&StepGeneration, &AdvanceGeneration),
                         [](const auto& info) {
                             return std::string(info.index == 0 ? "Reference" : "Fast");
                         });

TEST(ReferenceStep, BytesOtherThanZeroAndOneKeepTheirValue) {
    std::vector<std::int8_t> cells(6 * 5, 0);
    cells[2 * 6 + 2] = 5;
    cells[2 * 6 + 3] = 1;
    ReferenceStep(cells, 6, 5, Rule{});
    EXPECT_EQ(cells[2 * 6 + 2], 5);
    EXPECT_EQ(cells[2 * 6 + 3], 0);
}

}  // namespace
}  // namespace gb
