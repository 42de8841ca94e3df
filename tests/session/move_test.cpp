#include "session/move.h"

#include <gtest/gtest.h>

#include <limits>

#include "engine/extent.h"
#include "session/input_numbers.h"
#include "session/run.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

using test::BorderIsDead;
using test::Cells;
using test::LiveCells;

// Places the cells; the count stands in for the next frame's, of these cells alone.
void Place(Context& ctx, const Cells& cells) {
    test::Place(ctx.field, cells);
    test::SetCountedPopulation(ctx, static_cast<double>(cells.size()));
}

TEST(ShiftCells, MovesEveryCellAndDropsWhatLeavesTheInterior) {
    test::TestContext t;
    Field& f = t.ctx.field;
    const int gw = f.gridWidth;
    // The cases named for the field's edges.
    Place(t.ctx, {{gw - 4, 7}});
    ShiftCells(t.ctx, 5, 0);
    EXPECT_TRUE(LiveCells(f).empty());
    Place(t.ctx, {{1, 7}});
    ShiftCells(t.ctx, -1, 0);
    EXPECT_TRUE(LiveCells(f).empty());

    // One step up and right loses what reaches the border. (Random patterns and amounts are
    // checked against a model, among the other edits, in cell_grid_test.cpp.)
    Place(t.ctx, {{5, 5}, {1199, 1200}, {1200, 1100}, {600, 1}});
    ShiftCells(t.ctx, 1, -1);
    EXPECT_EQ(LiveCells(f), (Cells{{6, 4}, {1200, 1199}}));
    // (0, 0) keeps the pattern; amounts at the int limits remove it without harm.
    const Cells kept = LiveCells(f);
    ShiftCells(t.ctx, 0, 0);
    EXPECT_EQ(LiveCells(f), kept);
    ShiftCells(t.ctx, std::numeric_limits<int>::max(), std::numeric_limits<int>::min());
    EXPECT_TRUE(LiveCells(f).empty());
    EXPECT_TRUE(BorderIsDead(f));
    EXPECT_EQ(test::BusyLevel(t.ctx), 0);
    EXPECT_EQ(t.host.pointers.back(), Pointer::Arrow);
    EXPECT_EQ(t.host.invalidations, 0);  // the callers redraw
}

TEST(CentreByExtent, PutsTheMiddleOfTheExtentOnTheCentreAndStaysThere) {
    test::TestContext t;
    Field& f = t.ctx.field;  // 1202 × 1202: centre column and row 601
    // Left of the centre: the middle column lands on 600; right of it: on 601.
    Place(t.ctx, {{10, 5}, {11, 5}, {12, 5}});
    const Extent row = FieldExtent(f);
    EXPECT_EQ(row.left, 10);
    EXPECT_EQ(row.right, 12);
    EXPECT_EQ(row.width, 3);
    EXPECT_EQ(row.height, 1);
    CentreByExtent(t.ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{599, 600}, {600, 600}, {601, 600}}));
    EXPECT_EQ(t.host.invalidations, 1);
    CentreByExtent(t.ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{599, 600}, {600, 600}, {601, 600}}));

    ClearCells(f);
    Place(t.ctx, {{1000, 900}, {1001, 902}});
    CentreByExtent(t.ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{601, 600}, {602, 602}}));
    CentreByExtent(t.ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{601, 600}, {602, 602}}));
    EXPECT_EQ(f.generation, 0);
}

TEST(CentreByCentroid, MovesTheCentroidToTheCentre) {
    test::TestContext t;
    Field& f = t.ctx.field;
    Place(t.ctx, {{100, 601}});
    CentreByCentroid(t.ctx);  // cx = 100.5: dx = -trunc(100.5 - 601) = 500
    EXPECT_EQ(LiveCells(f), (Cells{{600, 601}}));
    CentreByCentroid(t.ctx);  // cx - 601 = -0.5 truncates to 0
    EXPECT_EQ(LiveCells(f), (Cells{{600, 601}}));

    // A symmetric pattern already centred stays; its centroid lies between cells.
    ClearCells(f);
    const Cells block{{600, 600}, {601, 600}, {600, 601}, {601, 601}};
    Place(t.ctx, block);
    CentreByCentroid(t.ctx);
    EXPECT_EQ(LiveCells(f), block);

    // No live cell although the last frame counted one (its count out of date): nothing moves.
    ClearCells(f);
    test::SetCountedPopulation(t.ctx, 1);
    int redraws = t.host.invalidations;
    CentreByCentroid(t.ctx);
    EXPECT_TRUE(LiveCells(f).empty());
    EXPECT_EQ(t.host.invalidations, redraws);
    // The last frame counted nothing: nothing is done.
    ClearCells(f);
    f.setCell(5, 5, 1);
    test::SetCountedPopulation(t.ctx, 0);
    redraws = t.host.invalidations;
    CentreByCentroid(t.ctx);
    EXPECT_EQ(LiveCells(f), (Cells{{5, 5}}));
    EXPECT_EQ(t.host.invalidations, redraws);
}

TEST(MoveAmounts, RangeCheckReadsLenientlyAndNamesTheBox) {
    test::TestContext t;
    EXPECT_EQ(CheckMoveAmounts(t.ctx, "1199", "-1199"), AmountBox::None);
    EXPECT_EQ(CheckMoveAmounts(t.ctx, "3.7", "abc"), AmountBox::None);  // 3 and 0
    EXPECT_EQ(CheckMoveAmounts(t.ctx, "1199.9", " -1199.9x"), AmountBox::None);
    EXPECT_TRUE(t.host.boxes.empty());

    t.ctx.shell.messageCaption = "something else";
    EXPECT_EQ(CheckMoveAmounts(t.ctx, "1200", "99999"), AmountBox::Horizontal);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(),
        {"Gridbloom", "-1199から1199までの整数を入力してください。", Icon::None, Buttons::Ok}));

    t.ctx.field.fieldHeight = 50;
    EXPECT_EQ(CheckMoveAmounts(t.ctx, "0", "-50"), AmountBox::Vertical);
    EXPECT_EQ(t.host.lastBox().text, "-49から49までの整数を入力してください。");
    EXPECT_EQ(CheckMoveAmounts(t.ctx, "0", "1e300"), AmountBox::Vertical);
}

TEST(MoveAmounts, IntegerExchangeIsStrict) {
    test::TestContext t;
    // "3.7" passed the range check above; the exchange refuses it with the standard prompt.
    EXPECT_EQ(ExchangeInt(t.ctx, "3.7"), std::nullopt);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"Gridbloom", "整数を入力してください。"}));
    EXPECT_EQ(ExchangeInt(t.ctx, " -12 "), -12);
    EXPECT_EQ(ExchangeInt(t.ctx, "+7"), 7);
    EXPECT_EQ(t.host.boxes.size(), 1u);
}

TEST(MoveByAmount, ShiftsOnOkOnlyAndResumesAfterBoth) {
    test::TestContext t;
    Field& f = t.ctx.field;
    Place(t.ctx, {{50, 60}});
    StartRun(t.ctx);
    MoveByAmount(t.ctx, [&]() -> std::optional<std::pair<int, int>> {
        EXPECT_FALSE(t.ctx.run.running);
        return std::nullopt;
    });
    EXPECT_EQ(LiveCells(f), (Cells{{50, 60}}));
    EXPECT_EQ(t.host.invalidations, 0);
    EXPECT_TRUE(t.ctx.run.running);
    MoveByAmount(t.ctx, [] { return std::make_optional(std::make_pair(-10, 25)); });
    EXPECT_EQ(LiveCells(f), (Cells{{40, 85}}));
    EXPECT_EQ(t.host.invalidations, 1);
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
}

}  // namespace
}  // namespace gb
