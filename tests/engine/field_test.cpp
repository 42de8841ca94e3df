#include "engine/field.h"

#include <gtest/gtest.h>

#include "tests/engine/cell_model.h"

namespace gb {
namespace {

using test::BorderIsDead;
using test::LiveCells;
using test::TestField;

TEST(Field, StartsAsAnEmptyDefaultGrid) {
    TestField t;
    const Field& f = t.field;
    EXPECT_TRUE(test::HasSize(f, 1200, 1200, 2202, 2202));  // plane 1202 × 1202 = 1444804
    EXPECT_EQ(f.generation, 0);
    EXPECT_EQ(f.population(), 0);
    EXPECT_EQ(f.cells().width(), 1202);
    EXPECT_EQ(f.cells().height(), 1202);
    EXPECT_EQ(f.staged().width(), 2202);
    EXPECT_EQ(f.staged().height(), 2202);
    EXPECT_TRUE(f.cells().empty());
    EXPECT_TRUE(f.staged().empty());
    EXPECT_EQ(t.rule.ruleText, "23/3");
}

TEST(Field, WritersRefuseTheBorder) {
    TestField t;
    Field& f = t.field;
    for (int i = -1; i <= f.gridWidth; ++i) {
        EXPECT_FALSE(f.setCell(i, 0, 1));
        EXPECT_FALSE(f.setCell(i, f.gridHeight - 1, 1));
        EXPECT_FALSE(f.setCell(0, i, 1));
        EXPECT_FALSE(f.setCell(f.gridWidth - 1, i, 1));
    }
    for (int y : {-1, 0, f.gridHeight - 1, f.gridHeight}) f.fillRow(y, -5, f.gridWidth + 5);
    f.fillRow(7, -5, f.gridWidth + 5);
    f.staging().fillSpan(3, 0, f.loadWidth - 1);
    f.placeStaged(0, 0, f.loadWidth - 1, f.loadHeight - 1, 0, -3);  // onto row 0
    f.placeStaged(0, 0, f.loadWidth - 1, f.loadHeight - 1, -500,
                  f.gridHeight - 4);  // onto the last row
    EXPECT_TRUE(BorderIsDead(f));
    EXPECT_EQ(f.population(), f.fieldWidth);  // row 7's interior
    EXPECT_TRUE(f.setCell(1, 1, 1));
    EXPECT_TRUE(f.setCell(f.gridWidth - 2, f.gridHeight - 2, 1));
}

TEST(Field, ClearsAndSnapshotsOfTheCells) {
    // (A clear or a restore between steps is checked against a model in cell_grid_test.cpp.)
    TestField t;
    Field& f = t.field;
    f.setCell(70, 20, 1);
    f.fillRow(1000, 1, 1200);
    const test::Cells cells = test::LiveCells(f);
    const Field::Snapshot snapshot = f.snapshotCells();
    ClearCells(f);
    EXPECT_TRUE(f.cells().empty());
    EXPECT_EQ(f.at(70, 20), 0);
    f.setCell(3, 3, 1);
    f.restoreCells(snapshot);
    EXPECT_EQ(test::LiveCells(f), cells);
    // A snapshot of another size leaves the Field empty.
    ASSERT_TRUE(test::Resize(f, 100, 100));
    f.setCell(3, 3, 1);
    f.restoreCells(snapshot);
    EXPECT_TRUE(f.cells().empty());
}

TEST(Field, PopulationFollowsEveryWrite) {
    TestField t;
    t.field.setCell(3, 3, 1);
    t.field.fillRow(5, 2, 9);
    EXPECT_EQ(t.field.population(), 9);
    t.field.setCell(3, 3, 0);
    EXPECT_EQ(t.field.population(), 8);
    t.field.clearCells();
    EXPECT_EQ(t.field.population(), 0);
}

// A Field of the engine alone, with an allocator that counts its calls and fails from call
// `failFrom` (0-based) on.
struct Counted {
    static inline int calls = 0;
    static inline int failFrom = 1 << 30;
    static void* Allocate(std::size_t n) {
        return calls++ >= failFrom ? nullptr : DefaultZeroAllocator(n);
    }
    explicit Counted(int failFromCall = 1 << 30) {
        calls = 0;
        failFrom = failFromCall;
    }
};

TEST(Allocation, ResultsNameTheBlockTheSizeAndHowItEnded) {
    Field f;
    Counted counted;
    f.allocate = Counted::Allocate;
    ASSERT_TRUE(SetUpField(f, 60, 40).ok());
    ASSERT_TRUE(f.setCell(9, 9, 1));
    struct Case {
        bool cells;
        int width, height;
        AllocStatus status;
    };
    // 2 × 40000 × 40000 does not fit 32 bits; 2 × 32768² only for the cells, 65536² for both.
    const Case refused[] = {{true, 40000, 40000, AllocStatus::TooLarge},
                            {true, 32768, 32768, AllocStatus::TooLarge},
                            {false, 65536, 65536, AllocStatus::TooLarge},
                            {false, -3, 5, AllocStatus::TooLarge}};
    for (const Case& c : refused) {
        const AllocResult r =
            c.cells ? AllocateCells(f, c.width, c.height) : AllocateLoadArea(f, c.width, c.height);
        EXPECT_EQ(r.block, c.cells ? FieldBlock::Cells : FieldBlock::Staging);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(static_cast<int>(r.status), kAllocTooLarge);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
        EXPECT_FALSE(r.ok());
    }
    EXPECT_EQ(Counted::calls, 2);  // the two blocks of the set-up only: no size was asked for
    // Memory that cannot be had: the Field keeps both blocks and what they hold, and its flags.
    Counted::failFrom = Counted::calls;
    f.staging().set(5, 5, true);
    EXPECT_EQ(AllocateCells(f, 10, 10).status, AllocStatus::NoMemory);
    EXPECT_EQ(AllocateLoadArea(f, 10, 10).status, AllocStatus::NoMemory);
    EXPECT_EQ(f.cells().width(), 62);
    EXPECT_EQ(f.staged().width(), 62 + kLoadMargin);
    EXPECT_EQ(LiveCells(f), (test::Cells{{9, 9}}));
    EXPECT_TRUE(f.staged().get(5, 5));
    // A success replaces the block.
    Counted::failFrom = 1 << 30;
    const AllocResult ok = AllocateLoadArea(f, 70, 30);
    EXPECT_TRUE(ok.ok());
    EXPECT_EQ(ok.block, FieldBlock::Staging);
    EXPECT_EQ(f.staged().width(), 70);
    EXPECT_TRUE(f.staged().empty());
}

TEST(SetUpField, SizesBothBlocksAndStopsAtTheFirstFailure) {
    {
        Field f;
        ASSERT_TRUE(SetUpField(f, 30, 20).ok());
        EXPECT_TRUE(test::HasSize(f, 30, 20, 32 + kLoadMargin, 22 + kLoadMargin));  // plane 32 × 22
        EXPECT_TRUE(f.cells().empty());
    }
    for (int failing : {0, 1}) {
        Field f;
        Counted counted(failing);
        f.allocate = Counted::Allocate;
        const AllocResult r = SetUpField(f, 30, 20);
        EXPECT_EQ(r.status, AllocStatus::NoMemory);
        EXPECT_EQ(r.block, failing == 0 ? FieldBlock::Cells : FieldBlock::Staging);
        EXPECT_EQ(r.width, failing == 0 ? 32 : 32 + kLoadMargin);
        EXPECT_EQ(Counted::calls, failing + 1);
        EXPECT_EQ(f.cellsAllocated, failing);
        EXPECT_EQ(f.loadAreaAllocated, 0);
    }
}

}  // namespace
}  // namespace gb
