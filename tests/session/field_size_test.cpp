#include "session/field_size.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <set>
#include <utility>

#include "engine/step.h"
#include "session/run.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;
using test::Place;
using test::Shifted;

// An allocator that fails the calls marked in failCalls (0-based) and records the most memory
// the Field holds at any request, counting the block asked for.
struct AllocationScript {
    const Field* field = nullptr;
    std::set<int> failCalls;
    int calls = 0;
    std::size_t peak = 0;
};
AllocationScript script;

void* ScriptedAllocator(std::size_t bytes) {
    const Field& f = *script.field;
    std::size_t held = 0;
    if (f.hasCells()) held += 2 * CellGrid::BlockBytes(f.cells().width(), f.cells().height());
    if (f.hasStaging()) held += CellGrid::BlockBytes(f.staged().width(), f.staged().height());
    script.peak = std::max(script.peak, held + bytes);
    if (script.failCalls.count(script.calls++) != 0) return nullptr;
    return std::calloc(bytes, 1);
}

void UseScript(test::TestContext& t, std::set<int> failCalls) {
    script = AllocationScript{&t.ctx.field, std::move(failCalls), 0, 0};
    t.ctx.field.allocate = ScriptedAllocator;
}

Cells RandomInterior(const Field& f, int count, unsigned seed) {
    std::mt19937 rng(seed);
    Cells cells;
    for (int i = 0; i < count; ++i)
        cells.emplace(1 + static_cast<int>(rng() % (f.gridWidth - 2)),
                      1 + static_cast<int>(rng() % (f.gridHeight - 2)));
    return cells;
}

std::size_t CellsBytes(int gridWidth, int gridHeight) {
    return 2 * CellGrid::BlockBytes(gridWidth, gridHeight);
}

using Shown = std::vector<std::pair<std::string, std::string>>;
const char* const kTooLarge = "計算エラー。";
const char* const kNoMemory = "メモリ不足です。";
const char* const kStagingTooLarge = "パターン読み込み領域のセル数が多すぎるようです。";
const char* const kFieldTooLarge = "パターン記録領域のセル数が多すぎるようです。";

TEST(TotalCells, LineGroupsDigitsAndWritesAThreeDigitExponent) {
    const std::pair<double, const char*> lines[] = {
        {1440000, "総セル数   1,440,000   1.440000e+006"},
        {0, "総セル数   0   0.000000e+000"},
        {1e10, "総セル数   10,000,000,000   1.000000e+010"},
        {12.25, "総セル数   12   1.225000e+001"}};
    for (auto [cells, line] : lines) EXPECT_EQ(TotalCellsLine(cells), line) << cells;

    test::TestContext t;
    TotalCellsUpdate update = ShowTotalCells(t.ctx, "1200", "1200");
    EXPECT_EQ(update.reset, SizeBox::None);
    EXPECT_EQ(update.line, "総セル数   1,440,000   1.440000e+006");
    EXPECT_EQ(ShowTotalCells(t.ctx, "x", "5").line, "総セル数   0   0.000000e+000");
    EXPECT_EQ(ShowTotalCells(t.ctx, "2.5", "3 cells").line, "総セル数   8   7.500000e+000");
    EXPECT_TRUE(t.host.boxes.empty());
}

TEST(TotalCells, ACommaRestoresThatBoxToTheCurrentSize) {
    test::TestContext t;
    t.ctx.field.fieldHeight = 700;  // only the restored text is read from the sizes
    TotalCellsUpdate update = ShowTotalCells(t.ctx, "1,", "1,200");
    EXPECT_EQ(update.reset, SizeBox::Width);
    EXPECT_EQ(update.resetText, "1200");
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"Gridbloom", "入力値に\",\"は使用しないでください。",
                                               Icon::Exclamation}));
    update = ShowTotalCells(t.ctx, "1200", "1,200");
    EXPECT_EQ(update.reset, SizeBox::Height);
    EXPECT_EQ(update.resetText, "700");
    EXPECT_EQ(t.host.boxes.size(), 2u);
}

TEST(FieldSizeOk, ChecksInOrder) {
    test::TestContext t;
    const auto check = [&](const char* w, const char* h) {
        return CheckFieldSizeOnOk(t.ctx, w, h);
    };

    FieldSizeCheck c = check("0", "5");
    EXPECT_FALSE(c.accept);
    EXPECT_EQ(c.focus, SizeBox::Width);
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"Gridbloom", "1 以上の整数を入力してください。"}));
    EXPECT_EQ(check("abc", "-1").focus, SizeBox::Width);
    EXPECT_EQ(check("5", "-3").focus, SizeBox::Height);
    EXPECT_EQ(check("5", "0.9").focus, SizeBox::Height);
    EXPECT_EQ(t.host.boxes.size(), 4u);
    EXPECT_FALSE(c.restore);

    // Unchanged, and exactly 25,000,000 cells: accepted without a question.
    t.host.boxes.clear();
    EXPECT_TRUE(check("1200", "1200").accept);
    EXPECT_TRUE(check("5000", "5000").accept);
    EXPECT_TRUE(t.host.boxes.empty());

    // Above it: the question with No as its default; No restores both boxes.
    c = check("5000", "5001");
    EXPECT_FALSE(c.accept);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    const MessageBox& question = t.host.lastBox();
    EXPECT_EQ(question.text,
              "フィールドが大きすぎると、メモリ使用量が大きくなり、動作も遅くなります。\n\n続行しま"
              "すか。");
    EXPECT_EQ(question.buttons, Buttons::YesNo);
    EXPECT_EQ(question.defaultButton, Button::No);
    EXPECT_EQ(question.icon, Icon::Exclamation);
    EXPECT_TRUE(c.restore);
    EXPECT_EQ(c.restoreWidth, "1200");
    EXPECT_EQ(c.restoreHeight, "1200");
    EXPECT_EQ(c.focus, SizeBox::Width);
    t.host.answers.push_back(Button::Yes);
    EXPECT_TRUE(check("5000", "5001").accept);
    // The question weighs the decimal values, not the integers.
    check("5000.9", "5000");
    EXPECT_EQ(t.host.boxes.size(), 3u);
}

TEST(Resize, GrowingByAnEvenAmountMovesEveryCellByHalfOfIt) {
    test::TestContext t;
    Field& f = t.ctx.field;
    Cells cells = RandomInterior(f, 500, 11);
    cells.insert({{1, 1}, {1200, 1200}, {1, 1200}, {1200, 1}});
    Place(f, cells);
    f.generation = 77;
    t.ctx.rule.ruleText = ApplyRule(t.ctx, "3/23");
    t.ctx.view.offsetX = 12.5f;
    t.host.boxes.clear();
    UseScript(t, {});

    EXPECT_TRUE(RebuildField(t.ctx, 1400, 1400));
    EXPECT_TRUE(test::HasSize(f, 1400, 1400));
    EXPECT_EQ(LiveCells(f), Shifted(cells, 100, 100));
    EXPECT_EQ(f.generation, 77);
    EXPECT_EQ(t.ctx.rule.ruleText, "3/23");
    EXPECT_EQ(t.ctx.rule.birthTable, (std::array<int, 9>{0, 0, 1, 1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(t.ctx.view.offsetX, 12.5f);
    EXPECT_EQ(t.host.invalidations, 1);
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_EQ(test::BusyLevel(t.ctx), 0);
    EXPECT_FALSE(test::Rebuilding(t.ctx));
    EXPECT_EQ(t.host.pointers.front(), Pointer::Wait);
    EXPECT_EQ(t.host.pointers.back(), Pointer::Arrow);
    // At most the old field plus the new staging grid, then the new staging grid plus the new
    // field, are held at once.
    EXPECT_LE(script.peak, std::max(CellsBytes(1202, 1202) + CellGrid::BlockBytes(2402, 2402),
                                    CellGrid::BlockBytes(2402, 2402) + CellsBytes(1402, 1402)));
    EXPECT_EQ(script.calls, 2);
}

TEST(Resize, ShrinkingKeepsTheCentreAndLosesWhatDoesNotFit) {
    test::TestContext t;
    Field& f = t.ctx.field;
    const Cells glider{{601, 600}, {602, 601}, {600, 602}, {601, 602}, {602, 602}};
    Place(f, glider);
    Place(f, {{901, 601}});  // 300 right of the centre
    UseScript(t, {});
    EXPECT_TRUE(RebuildField(t.ctx, 100, 100));
    EXPECT_TRUE(test::HasSize(f, 100, 100));
    // The centre 601 becomes 51: every cell moves by -550.
    EXPECT_EQ(LiveCells(f), Shifted(glider, -550, -550));
    EXPECT_LE(script.peak, std::max(CellsBytes(1202, 1202) + CellGrid::BlockBytes(1102, 1102),
                                    CellGrid::BlockBytes(1102, 1102) + CellsBytes(102, 102)));

    // Odd sizes and a border-hugging pattern: nothing lands on the border.
    ClearCells(f);
    for (int x = 1; x <= 100; ++x) f.setCell(x, 1, 1), f.setCell(x, 100, 1);
    EXPECT_TRUE(RebuildField(t.ctx, 7, 3));
    for (int x = 0; x < f.gridWidth; ++x) EXPECT_EQ(f.at(x, 0) | f.at(x, f.gridHeight - 1), 0);
    EXPECT_TRUE(RebuildField(t.ctx, 1, 1));
    EXPECT_TRUE(test::HasSize(f, 1, 1));
}

TEST(Resize, TooLargeFailsCleanlyAndKeepsSizeAndPattern) {
    test::TestContext t;
    Context& ctx = t.ctx;
    test::ScriptedHost& host = t.host;
    std::vector<bool> rebuildingAtBox;  // at every box: whether drawing was held off
    host.onBox = [&](const MessageBox&) { rebuildingAtBox.push_back(test::Rebuilding(ctx)); };
    const Cells cells = RandomInterior(ctx.field, 200, 5);
    Place(ctx.field, cells);
    ctx.field.generation = 9;
    // The staging grid (41002² cells) fits an int and may be had; the field (2 × 40002²) does not.
    EXPECT_FALSE(RebuildField(ctx, 40000, 40000));
    EXPECT_TRUE(test::HasSize(ctx.field, 1200, 1200));
    EXPECT_EQ(LiveCells(ctx.field), cells);
    EXPECT_EQ(ctx.field.generation, 9);
    // When the staging grid could not be had either, its box comes first.
    ASSERT_GE(host.boxes.size(), 1u);
    ASSERT_LE(host.boxes.size(), 2u);
    if (host.boxes.size() == 2) {
        EXPECT_EQ(host.boxes[0].caption, kNoMemory);
    }
    EXPECT_TRUE(test::Shows(host.boxes.back(), {kTooLarge, kFieldTooLarge}));
    EXPECT_EQ(rebuildingAtBox, std::vector<bool>(host.boxes.size(), true));
    EXPECT_EQ(host.invalidations, 0);
    EXPECT_EQ(test::BusyLevel(ctx), 0);
    EXPECT_FALSE(test::Rebuilding(ctx));
    EXPECT_NO_THROW(CheckMemory(ctx));

    // A side beyond any int is refused by both allocations' size checks.
    host.boxes.clear();
    EXPECT_FALSE(RebuildField(ctx, std::numeric_limits<int>::max(), 5));
    EXPECT_EQ(host.shown(), (Shown{{kTooLarge, kStagingTooLarge}, {kTooLarge, kFieldTooLarge}}));
    EXPECT_EQ(LiveCells(ctx.field), cells);
    EXPECT_TRUE(test::HasSize(ctx.field, 1200, 1200));
}

TEST(Resize, EveryFailedAllocationLeavesTheOldFieldAndPattern) {
    // Calls: 0 new staging, (when it failed) old staging again, then new field, (when it failed)
    // old field again and old staging again (the new-sized one is given back).
    const char* const staging = "パターン読み込み領域が確保できません。";
    const char* const field = "パターン記録領域が確保できません。";
    struct Case {
        const char* what;
        std::set<int> fail;
        bool resized;
        std::vector<const char*> texts;
        int calls;
    };
    const Case cases[] = {
        // The old-sized staging grid carries the pattern into the new Field.
        {"staging", {0}, true, {staging}, 3},
        {"field", {1}, false, {field}, 4},
        // Both boxes: the old staging grid, then the old field and the pattern copied back.
        {"staging and field", {0, 2}, false, {staging, field}, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (int side : {1500, 600}) {
            SCOPED_TRACE(side);
            test::TestContext t;
            Field& f = t.ctx.field;
            Cells cells = RandomInterior(f, 300, 3);
            cells.insert({601, 601});
            Place(f, cells);
            UseScript(t, c.fail);
            EXPECT_EQ(RebuildField(t.ctx, side, side), c.resized);
            EXPECT_EQ(script.calls, c.calls);
            const int shift = (side - 1200) / 2;
            if (c.resized) {
                EXPECT_TRUE(test::HasSize(f, side, side, 2202, 2202));
                Cells kept;
                for (auto [x, y] : Shifted(cells, shift, shift))
                    if (f.isInterior(x, y)) kept.emplace(x, y);
                EXPECT_EQ(LiveCells(f), kept);
                EXPECT_EQ(LiveCells(f).count({601 + shift, 601 + shift}), 1u);
                EXPECT_EQ(t.host.invalidations, 1);
                EXPECT_NO_THROW(CheckMemory(t.ctx));
            } else {
                EXPECT_TRUE(test::HasSize(f, 1200, 1200));
                EXPECT_EQ(LiveCells(f), cells);
                EXPECT_EQ(t.host.invalidations, 0);
            }
            Shown expected;
            for (const char* text : c.texts) expected.emplace_back(kNoMemory, text);
            EXPECT_EQ(t.host.shown(), expected);
            EXPECT_EQ(test::BusyLevel(t.ctx), 0);
        }
    }
}

TEST(Resize, AFieldTooLargeForTheStagingGridStillGetsItsSize) {
    test::TestContext t;
    Field& f = t.ctx.field;
    const Cells glider{{601, 600}, {602, 601}, {600, 602}, {601, 602}, {602, 602}};
    Place(f, glider);
    // 3001002 × 1003 staging cells overflow an int; 2 × 3000002 × 3 field cells do not.
    EXPECT_TRUE(RebuildField(t.ctx, 3000000, 1));
    EXPECT_TRUE(test::HasSize(f, 3000000, 1, 2202, 2202));
    EXPECT_EQ(t.host.shown(), (Shown{{kTooLarge, kStagingTooLarge}}));
    // Old centre (601, 601) on the new centre (1500001, 1): only the glider's middle row stays.
    EXPECT_EQ(LiveCells(f), (Cells{{1500001, 1}}));
    EXPECT_EQ(t.host.invalidations, 1);
    EXPECT_NO_THROW(CheckMemory(t.ctx));

    // The step runs on such a Field: the row of three keeps its middle (its births would be on
    // the border).
    Place(f, {{1500000, 1}, {1500002, 1}});
    AdvanceGeneration(f, t.ctx.rule);
    EXPECT_EQ(LiveCells(f), (Cells{{1500001, 1}}));

    // Back to an ordinary size: the staging grid is made at its full size again. (Row 1 of 3
    // lands on row 1 + (2202 - 3) / 2 + (1202 - 2202) / 2 = 600.)
    Place(f, {{1500000, 1}, {1500002, 1}});
    t.host.boxes.clear();
    EXPECT_TRUE(RebuildField(t.ctx, 1200, 1200));
    EXPECT_TRUE(test::HasSize(f, 1200, 1200));
    EXPECT_EQ(LiveCells(f), (Cells{{600, 600}, {601, 600}, {602, 600}}));
    EXPECT_TRUE(t.host.boxes.empty());

    // Neither block fits an int: a box for each, and the Field keeps its size and pattern.
    EXPECT_FALSE(RebuildField(t.ctx, 100000, 100000));
    EXPECT_TRUE(test::HasSize(f, 1200, 1200));
    EXPECT_EQ(LiveCells(f), (Cells{{600, 600}, {601, 600}, {602, 600}}));
    EXPECT_EQ(t.host.shown(), (Shown{{kTooLarge, kStagingTooLarge}, {kTooLarge, kFieldTooLarge}}));
}

TEST(Resize, FailedShrinkFarBelowTheOldSizeKeepsWhatTheStagingGridHeld) {
    test::TestContext t;
    Field& f = t.ctx.field;
    ASSERT_TRUE(RebuildField(t.ctx, 3000, 3000));  // grid 3002: centre 1501
    const Cells near{{1501, 1501}, {1200, 1800}, {2000, 1000}};
    Place(f, near);
    UseScript(t, {1});  // the 500 × 500 field cannot be had; staging is 1502 wide
    EXPECT_FALSE(RebuildField(t.ctx, 500, 500));
    EXPECT_TRUE(test::HasSize(f, 3000, 3000));
    EXPECT_EQ(LiveCells(f), near);
}

TEST(Resize, ARetryThatFailsTooEndsTheProgramAtTheNextCheck) {
    // Both staging grids and the last try for one fail (the new field was had), or both fields.
    const std::pair<std::set<int>, int> cases[] = {{{0, 1, 3}, 1300}, {{1, 2}, 1200}};
    for (const auto& [fail, width] : cases) {
        test::TestContext t;
        Place(t.ctx.field, {{5, 5}});
        UseScript(t, fail);
        EXPECT_EQ(RebuildField(t.ctx, 1300, 1300), width == 1300);
        EXPECT_EQ(t.ctx.field.cellsAllocated + t.ctx.field.loadAreaAllocated, 1);
        EXPECT_EQ(t.ctx.field.fieldWidth, width);
        try {
            CheckMemory(t.ctx);
            ADD_FAILURE() << "the program should end";
        } catch (const test::ProcessExit& exit) {
            EXPECT_EQ(exit.status, 1);
        }
        EXPECT_EQ(t.host.lastBox().text, "メモリ領域が確保できないため終了します。");
    }
}

TEST(ResizeField, CommandPausesAndDoesNothingForTheSameSize) {
    test::TestContext t;
    Place(t.ctx.field, {{600, 600}});
    StartRun(t.ctx);
    UseScript(t, {});
    ResizeField(t.ctx, [&](int w, int h) {
        EXPECT_EQ(w, 1200);
        EXPECT_EQ(h, 1200);
        EXPECT_FALSE(t.ctx.run.running);
        return std::make_optional(std::make_pair(w, h));
    });
    EXPECT_EQ(script.calls, 0);  // no new block
    EXPECT_EQ(t.host.invalidations, 0);
    EXPECT_TRUE(t.host.pointers.empty());
    EXPECT_TRUE(t.ctx.run.running);

    ResizeField(t.ctx, [](int, int) { return std::optional<std::pair<int, int>>(); });
    EXPECT_EQ(script.calls, 0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{600, 600}}));

    ResizeField(t.ctx, [](int, int) { return std::make_optional(std::make_pair(1202, 1198)); });
    EXPECT_TRUE(test::HasSize(t.ctx.field, 1202, 1198));
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{601, 599}}));  // one off the centre, as before
    EXPECT_EQ(t.host.invalidations, 1);
    EXPECT_TRUE(t.ctx.run.running);
}

}  // namespace
}  // namespace gb
