// The fast step against the reference step on bytes: every shape (widths and heights on and off
// the tile sizes, single rows and columns), the rules at the edges of the kernels' paths, edits
// between steps, long settled runs and the edges of what the step computes, with every kernel set
// the processor has, on one thread and split between two. The tiles it reports changed must be
// exactly those that did.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "tests/engine/cell_model.h"

namespace gb {
namespace {

using test::Between;
using test::Model;

// The tiles whose cells differ between two models.
std::vector<std::int32_t> TilesThatDiffer(const CellGrid& g, const Model& a, const Model& b) {
    std::vector<std::int32_t> tiles;
    for (int ty = 0; ty < g.tilesY(); ++ty)
        for (int tx = 0; tx < g.tilesX(); ++tx) {
            bool differs = false;
            for (int y = ty * 16; y < ty * 16 + 16 && !differs; ++y)
                for (int x = tx * 64; x < tx * 64 + 64 && !differs; ++x)
                    differs = a.get(x, y) != b.get(x, y);
            if (differs) tiles.push_back(ty * g.tilesX() + tx);
        }
    return tiles;
}

// When the step says it knows its changes, they are exactly the tiles whose cells differ from
// the generation before, and from the one before that (twoBack, when known).
::testing::AssertionResult ChangesReported(const Field& f, const Model& before, const Model& after,
                                           const Model* twoBack) {
    const StepChanges changes = LastStepChanges(f);
    if (!changes.known) return ::testing::AssertionSuccess();
    std::vector<std::int32_t> got(changes.tiles->begin(), changes.tiles->end());
    std::sort(got.begin(), got.end());
    if (got != TilesThatDiffer(f.cells(), before, after))
        return ::testing::AssertionFailure()
               << "the step reports " << got.size() << " changed tiles, wrongly";
    if (twoBack == nullptr) return ::testing::AssertionSuccess();
    got.assign(changes.fromTwoBack->begin(), changes.fromTwoBack->end());
    std::sort(got.begin(), got.end());
    if (got != TilesThatDiffer(f.cells(), *twoBack, after))
        return ::testing::AssertionFailure()
               << "the step reports " << got.size()
               << " tiles differing from two generations back, wrongly";
    return ::testing::AssertionSuccess();
}

class FastStep : public ::testing::TestWithParam<std::tuple<const char*, bool>> {
protected:
    void SetUp() override {
        const char* set = std::get<0>(GetParam());
        if (!SelectStepKernels(set)) GTEST_SKIP() << "this processor lacks " << set;
        SetParallelStepCells(std::get<1>(GetParam()) ? 1 : 0);  // even one tile on two threads
    }
    // A Field of width × height (its staging grid too) and its model.
    void Start(int width, int height) {
        ASSERT_TRUE(test::Resize(t_.field, width, height));
        m_ = Model(width + 2, height + 2);
        stepped_ = false;
        ClearCells(t_.field);
    }
    // One generation of both; with check, the cells and the reported changes are compared.
    ::testing::AssertionResult Step(bool check = true) {
        Model before = m_;
        AdvanceGeneration(t_.field, t_.rule);
        m_.Step(t_.rule);
        const bool twoBackKnown = stepped_;
        stepped_ = true;
        std::swap(older_, before);  // older_: the cells before this step
        if (!check) return ::testing::AssertionSuccess();
        if (auto same = test::SameCells(t_.field, m_); !same) return same;
        return ChangesReported(t_.field, older_, m_, twoBackKnown ? &before : nullptr);
    }
    test::TestField t_;
    Model m_;
    Model older_;           // the cells before the last step
    bool stepped_ = false;  // older_ holds them
    std::mt19937 rng_{2024};
    test::KernelsRestored restore_;
};

TEST_P(FastStep, MatchesTheReferenceOnEveryShapeAndRuleWithEditsBetweenSteps) {
    static constexpr std::pair<int, int> kShapes[] = {
        {1, 1},    {1, 40},   {40, 1},  {2, 2},   {3, 3},    {62, 14}, {63, 15}, {64, 16}, {65, 17},
        {126, 30}, {127, 33}, {128, 1}, {1, 129}, {130, 70}, {200, 3}, {5, 200}, {191, 48}};
    // Birth on 0 (every tile, every step), nothing at all, birth without survival, dense rules.
    static constexpr const char* kRules[] = {
        "B3/S23", "B0", "0/0", "/", "B2/S", "B3678/S34678", "B36/S23", "B0123/S012345678"};
    for (const auto& [w, h] : kShapes)
        for (const char* rule : kRules) {
            Start(w, h);
            t_.rule = test::RuleOf(rule);
            test::Soup(t_.field, m_, rng_);
            for (int g = 0; g < 16; ++g) {
                const std::string what =
                    rng_() % 4 == 0 ? RandomOperation(t_, m_, rng_, false) : "step";
                ASSERT_TRUE(Step())
                    << w << " x " << h << ", " << rule << ", generation " << g << " after " << what;
            }
        }
    // (Random sizes and rules, with resizes among the edits: cell_grid_test.cpp.)
}

TEST_P(FastStep, LongRunsAndTheEdgesOfWhatIsComputed) {
    // Left alone, soups settle into still lifes and blinkers that the step no longer computes;
    // islands leave most tiles quiet, and gliders sent into quiet tiles must wake them. The tiles
    // to compute are found four (256 columns) at a time and, when many are marked, 64 (4096
    // columns) to a word: soups against such edges, with few marks or many, must wake the
    // quiet tiles beyond. And a soup large enough for two threads at the usual threshold.
    struct Case {
        int w, h;
        const char* rule;
        int generations, left, top, right, bottom;  // the soup's box; none: islands
    };
    static constexpr Case kCases[] = {{150, 90, "B3/S23", 200, 1, 1, 150, 90},
                                      {97, 131, "B3/S23", 200, 1, 1, 97, 131},
                                      {400, 250, "B3/S23", 200, 1, 1, 400, 250},
                                      {300, 120, "B3678/S34678", 200, 1, 1, 300, 120},
                                      {700, 150, "B3/S23", 200, 0, 0, -1, -1},
                                      {500, 190, "B34/S34", 200, 0, 0, -1, -1},
                                      {4300, 40, "B3/S23", 40, 3900, 1, 4095, 40},
                                      {4300, 40, "B3/S23", 40, 4096, 1, 4299, 40},
                                      {2000, 300, "B3/S23", 40, 236, 140, 255, 159},
                                      {2000, 300, "B3/S23", 40, 256, 150, 275, 175},
                                      {2100, 1050, "B3/S23", 6, 1, 1, 2100, 1050}};
    for (const Case& c : kCases) {
        Start(c.w, c.h);
        t_.rule = test::RuleOf(c.rule);
        Field& f = t_.field;
        const bool islands = c.right < 0;
        const auto fill = [&](int left, int top, int right, int bottom) {
            for (int y = top; y <= bottom; ++y)
                for (int x = left; x <= right; ++x)
                    if (rng_() % 2 == 0) f.setCell(x, y, 1), m_.at(x, y) = 1;
        };
        for (int i = islands ? Between(rng_, 4, 14) : 0; i > 0; --i) {
            const int side = Between(rng_, 3, 22), x0 = Between(rng_, 1, c.w - side),
                      y0 = Between(rng_, 1, c.h - side);
            fill(x0, y0, x0 + side - 1, y0 + side - 1);
        }
        fill(c.left, c.top, c.right, c.bottom);
        int unknown =
            1;  // the last step that may not know its changes: the first, or one after a write
        for (int g = 1; g <= c.generations; ++g) {
            if (islands && g % 40 == 0) {
                const int gx = Between(rng_, 1, c.w - 3), gy = Between(rng_, 1, c.h - 3);
                for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
                    f.setCell(gx + x, gy + y, 1), m_.at(gx + x, gy + y) = 1;
                unknown = g;
            }
            ASSERT_TRUE(Step(c.generations <= 40 || g % 10 == 0 || g == unknown + 1))
                << c.w << " x " << c.h << " from " << c.left << ", " << c.rule << ", generation "
                << g;
            if (g > unknown) {
                ASSERT_TRUE(LastStepChanges(f).known) << "generation " << g;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kernels, FastStep,
                         ::testing::Combine(::testing::Values("avx512", "avx2", "generic"),
                                            ::testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param)) +
                                    (std::get<1>(info.param) ? "_split" : "_usual");
                         });

}  // namespace
}  // namespace gb
