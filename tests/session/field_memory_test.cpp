// The Field's memory as the user sees it: the boxes of failed allocations, the start-up and the
// memory check.
#include "session/field_memory.h"

#include <gtest/gtest.h>

#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

using test::ProcessExit;
using test::TestContext;

TEST(InitField, BuildsTheDefaultFieldWithoutABox) {
    TestContext t;
    EXPECT_TRUE(test::HasSize(t.ctx.field, 1200, 1200, 2202, 2202));
    EXPECT_TRUE(t.ctx.field.cells().empty());
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_NO_THROW(CheckMemory(t.ctx));
}

TEST(Allocation, OverflowingSizeReturnsTwoAndCaptionsOneBoxOnly) {
    TestContext t;
    int calls = 0;
    static int* counter = nullptr;
    counter = &calls;
    t.ctx.field.allocate = [](std::size_t n) -> void* {
        ++*counter;
        return DefaultZeroAllocator(n);
    };
    ASSERT_TRUE(t.ctx.field.setCell(9, 9, 1));
    test::SetBusyLevel(t.ctx, 1);
    // 2 × 40000 × 40000 does not fit 32 bits.
    EXPECT_EQ(AllocateCells(t.ctx, 40000, 40000), kAllocTooLarge);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(t.ctx.field.cells().width(), 1202);  // the Field keeps its cells
    EXPECT_EQ(test::LiveCells(t.ctx.field), (test::Cells{{9, 9}}));
    EXPECT_EQ(test::BusyLevel(t.ctx), 0);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(),
        {"計算エラー。", "パターン記録領域のセル数が多すぎるようです。", Icon::Exclamation}));
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");

    // The load area has its own text; its factor is 1, so 40000 × 40000 still overflows,
    // while 2 × 32768 × 32768 overflows only for the cells.
    EXPECT_EQ(AllocateLoadArea(t.ctx, 65536, 65536), kAllocTooLarge);
    EXPECT_EQ(t.host.lastBox().text, "パターン読み込み領域のセル数が多すぎるようです。");
    EXPECT_EQ(AllocateCells(t.ctx, 32768, 32768), kAllocTooLarge);
    EXPECT_EQ(calls, 0);

    // A later box without a caption of its own is captioned "Gridbloom" again.
    AppMessageBox(t.ctx, "x", Icon::None);
    EXPECT_EQ(t.host.lastBox().caption, "Gridbloom");
}

TEST(Allocation, ShortMemoryReturnsOneWithItsMessage) {
    TestContext t;
    t.ctx.field.allocate = [](std::size_t) -> void* { return nullptr; };
    t.ctx.field.staging().set(2201, 2201, true);
    EXPECT_EQ(AllocateLoadArea(t.ctx, 100, 100), kAllocNoMemory);
    EXPECT_EQ(t.ctx.field.staged().width(), 2202);  // the staging grid is kept as it was
    EXPECT_TRUE(t.ctx.field.staged().get(2201, 2201));
    EXPECT_TRUE(test::Shows(t.host.lastBox(),
                            {"メモリ不足です。", "パターン読み込み領域が確保できません。"}));
    EXPECT_EQ(AllocateCells(t.ctx, 100, 100), kAllocNoMemory);
    EXPECT_EQ(t.host.lastBox().text, "パターン記録領域が確保できません。");
}

TEST(Allocation, StartUpFailureShowsBothBoxesAndExitsWithOne) {
    TestContext t(false);
    t.ctx.field.allocate = [](std::size_t) -> void* { return nullptr; };
    try {
        InitField(t.ctx);
        FAIL() << "InitField returned";
    } catch (const ProcessExit& e) {
        EXPECT_EQ(e.status, 1);
    }
    ASSERT_EQ(t.host.captions(), (std::vector<std::string>{"メモリ不足です。", "Gridbloom"}));
    EXPECT_EQ(t.host.lastBox().text, "メモリ領域が確保できないので起動できません。");
}

TEST(CheckMemory, PassesWhenBothBlocksAreHeldAndEndsTheProgramOtherwise) {
    TestContext t;
    CheckMemory(t.ctx);
    EXPECT_TRUE(t.host.boxes.empty());

    FreeLoadArea(t.ctx.field);
    t.ctx.field.loadAreaAllocated = 0;
    t.ctx.shell.messageCaption = "stale";
    EXPECT_THROW(
        {
            try {
                CheckMemory(t.ctx);
            } catch (const ProcessExit& e) {
                EXPECT_EQ(e.status, 1);
                throw;
            }
        },
        ProcessExit);
    EXPECT_TRUE(
        test::Shows(t.host.lastBox(), {"Gridbloom", "メモリ領域が確保できないため終了します。"}));
    EXPECT_FALSE(t.ctx.field.hasCells());
    EXPECT_FALSE(t.ctx.field.hasStaging());
    EXPECT_EQ(t.ctx.field.cellsAllocated, 0);
}

}  // namespace
}  // namespace gb
