// The rebuild of a Field's blocks at a new size and the shifts that move its pattern, through the
// engine's own calls. (The commands over them, with their boxes, are tested in tests/core.)
#include "engine/resize.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "engine/shift.h"
#include "tests/engine/cell_model.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;

struct FailingAllocator {
    static inline std::set<int> fail;
    static inline int calls = 0;
    static void* Allocate(std::size_t n) {
        return fail.count(calls++) != 0 ? nullptr : std::calloc(n, 1);
    }
};

struct Told {
    AllocResult failure;
    int callsSoFar;  // allocations asked for when the failure was told
};

TEST(RebuildBlocks, TellsOfEachFailureAsItHappensAndWhetherThePatternWasCarried) {
    // Calls: 0 new staging, (when it failed) old staging again, then the new cells, (when they
    // failed) the old cells again and the old staging again.
    const int lw = 60 + 2 + kLoadMargin, lh = 50 + 2 + kLoadMargin;
    const int nlw = 80 + 2 + kLoadMargin, nlh = 30 + 2 + kLoadMargin;
    struct Case {
        std::set<int> fail;
        RebuildResult result;
        std::vector<AllocResult> told;
        std::vector<int> callsSoFar;
    };
    const Case cases[] = {
        {{}, {true, true}, {}, {}},
        {{0}, {true, true}, {{FieldBlock::Staging, AllocStatus::NoMemory, nlw, nlh}}, {1}},
        {{1}, {false, false}, {{FieldBlock::Cells, AllocStatus::NoMemory, 82, 32}}, {2}},
        {{0, 2},
         {false, false},
         {{FieldBlock::Staging, AllocStatus::NoMemory, nlw, nlh},
          {FieldBlock::Cells, AllocStatus::NoMemory, 82, 32}},
         {1, 3}},
        // Neither staging grid: the new size without its pattern, and one more try for staging.
        {{0, 1, 3},
         {true, false},
         {{FieldBlock::Staging, AllocStatus::NoMemory, nlw, nlh},
          {FieldBlock::Staging, AllocStatus::NoMemory, lw, lh},
          {FieldBlock::Staging, AllocStatus::NoMemory, lw, lh}},
         {1, 2, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.told.size());
        Field f;
        ASSERT_TRUE(SetUpField(f, 60, 50).ok());
        const Cells cells{{30, 25}, {31, 25}, {1, 1}, {60, 50}};
        test::Place(f, cells);
        FailingAllocator::fail = c.fail;
        FailingAllocator::calls = 0;
        f.allocate = FailingAllocator::Allocate;
        std::vector<Told> told;
        const RebuildResult r = RebuildBlocks(f, 80, 30, [&](const AllocResult& failure) {
            told.push_back({failure, FailingAllocator::calls});
        });
        EXPECT_EQ(r.resized, c.result.resized);
        EXPECT_EQ(r.carried, c.result.carried);
        ASSERT_EQ(told.size(), c.told.size());
        for (std::size_t i = 0; i < told.size(); ++i) {
            EXPECT_EQ(told[i].failure.block, c.told[i].block) << i;
            EXPECT_EQ(told[i].failure.status, c.told[i].status) << i;
            EXPECT_EQ(told[i].failure.width, c.told[i].width) << i;
            EXPECT_EQ(told[i].failure.height, c.told[i].height) << i;
            EXPECT_EQ(told[i].callsSoFar, c.callsSoFar[i]) << i;
        }
        EXPECT_EQ(f.fieldWidth, r.resized ? 80 : 60);
        EXPECT_EQ(f.fieldHeight, r.resized ? 30 : 50);
        if (r.carried || !r.resized) {
            Cells expected;  // the centre stays: shifted by half the growth, 10 right, 10 up
            for (auto [x, y] : cells) {
                const int nx = r.resized ? x + 10 : x, ny = r.resized ? y - 10 : y;
                if (f.isInterior(nx, ny)) expected.emplace(nx, ny);
            }
            EXPECT_EQ(LiveCells(f), expected);
        } else {
            EXPECT_TRUE(f.cells().empty());
        }
        EXPECT_TRUE(f.staged().empty());
    }
    // Sizes below 1 change nothing and ask for nothing.
    Field f;
    ASSERT_TRUE(SetUpField(f, 10, 10).ok());
    const RebuildResult none = RebuildBlocks(f, 0, 5, [](const AllocResult&) { FAIL(); });
    EXPECT_FALSE(none.resized);
    EXPECT_EQ(f.fieldWidth, 10);
}

TEST(CentringShifts, PutTheExtentsMiddleOrTheCentroidOnTheCentre) {
    Field f;
    ASSERT_TRUE(SetUpField(f, 100, 60).ok());  // grid 102 × 62, centre (51, 31)
    EXPECT_FALSE(ExtentCentringShift(f));
    EXPECT_FALSE(CentroidCentringShift(f));
    // Extent 10 .. 20 × 5 .. 5: middle (15, 5); the shift is the distance less half a cell.
    for (auto [x, y] : Cells{{10, 5}, {20, 5}, {11, 5}}) f.setCell(x, y, 1);
    const std::optional<Shift> byExtent = ExtentCentringShift(f);
    ASSERT_TRUE(byExtent);
    EXPECT_EQ(byExtent->dx, 51 - 15 - 1);
    EXPECT_EQ(byExtent->dy, 31 - 5 - 1);
    // Centroid (41 / 3, 5) + 0.5, truncated distance to the centre.
    const std::optional<Shift> byCentroid = CentroidCentringShift(f);
    ASSERT_TRUE(byCentroid);
    EXPECT_EQ(byCentroid->dx, 36);  // -(int)(14.1667 - 51)
    EXPECT_EQ(byCentroid->dy, 25);  // -(int)(5.5 - 31)
    // A pattern to the lower right moves up and left.
    f.clearCells();
    f.setCell(90, 50, 1);
    EXPECT_EQ(ExtentCentringShift(f)->dx, 51 - 90);
    EXPECT_EQ(ExtentCentringShift(f)->dy, 31 - 50);
    ShiftPlane(f, ExtentCentringShift(f)->dx, ExtentCentringShift(f)->dy);
    EXPECT_EQ(LiveCells(f), (Cells{{51, 31}}));
}

}  // namespace
}  // namespace gb
