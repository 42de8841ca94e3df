#include "session/edit.h"

#include <gtest/gtest.h>

#include "session/frame.h"
#include "session/run.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

// A view at zoom 10 whose top-left pixel shows field point (0, 0): pixel (10x + 5, 10y + 5) is
// the middle of cell (x, y).
struct EditFixture {
    test::TestContext t;
    Context& ctx = t.ctx;
    EditFixture() {
        ctx.view.zoom = 10;
        ctx.view.viewLeft = 0;
        ctx.view.viewTop = 0;
    }
    static double Px(int cell) { return cell * 10 + 5; }
    int live() const { return static_cast<int>(CountCells(ctx.field)); }
};

TEST(Editing, PressesDrawOnlyInsideTheInteriorAndHoldTheRunStill) {
    EditFixture f;
    StartEditing(f.ctx);
    EXPECT_FALSE(CanStartEditing(f.ctx));
    EXPECT_TRUE(CanEndEditing(f.ctx));
    StartRun(f.ctx);

    LeftPress(f.ctx, f.Px(1), f.Px(1));  // the first interior cell
    EXPECT_EQ(f.ctx.field.at(1, 1), 1);
    EXPECT_FALSE(f.ctx.run.running);
    EXPECT_TRUE(f.ctx.view.leftDown);
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::Cross);
    LeftRelease(f.ctx);
    EXPECT_TRUE(f.ctx.run.running);
    EXPECT_FALSE(f.ctx.view.leftDown);

    // The border, beyond the field and left of it: nothing is written, yet the press pauses.
    LeftPress(f.ctx, 5, 5);
    EXPECT_FALSE(f.ctx.run.running);
    LeftRelease(f.ctx);
    LeftPress(f.ctx, f.Px(1201), f.Px(600));
    LeftRelease(f.ctx);
    LeftPress(f.ctx, -1e12, 1e12);
    LeftRelease(f.ctx);
    EXPECT_EQ(f.live(), 1);
    EXPECT_EQ(f.ctx.field.at(0, 0), 0);

    // The last interior cell can be drawn; the right button erases.
    LeftPress(f.ctx, f.Px(1200), f.Px(1200));
    LeftRelease(f.ctx);
    EXPECT_EQ(f.ctx.field.at(1200, 1200), 1);
    RightPress(f.ctx, f.Px(1), f.Px(1));
    EXPECT_FALSE(f.ctx.run.running);
    EXPECT_TRUE(f.ctx.view.rightDown);
    RightRelease(f.ctx);
    EXPECT_TRUE(f.ctx.run.running);
    EXPECT_EQ(f.ctx.field.at(1, 1), 0);
    EXPECT_EQ(f.live(), 1);

    EndEditing(f.ctx);
    EXPECT_TRUE(CanStartEditing(f.ctx));
    LeftPress(f.ctx, f.Px(5), f.Px(5));  // outside edit mode a press draws nothing
    LeftRelease(f.ctx);
    RightPress(f.ctx, f.Px(1200), f.Px(1200));
    RightRelease(f.ctx);
    EXPECT_EQ(f.ctx.field.at(5, 5), 0);
    EXPECT_EQ(f.ctx.field.at(1200, 1200), 1);
    EXPECT_TRUE(f.ctx.run.running);
}

TEST(Editing, AStrokeSetsTheCellsUnderReportedPositionsOnly) {
    EditFixture f;
    StartEditing(f.ctx);
    LeftPress(f.ctx, f.Px(10), f.Px(10));
    PointerMove(f.ctx, f.Px(11), f.Px(10));
    PointerMove(f.ctx, f.Px(20), f.Px(10));  // a fast move: 12..19 stay dead
    LeftRelease(f.ctx);
    PointerMove(f.ctx, f.Px(30), f.Px(10));  // released: nothing more
    EXPECT_EQ(f.live(), 3);
    EXPECT_EQ(test::PictureAt(f.ctx.field, 10, 10, 11, 1), (test::Picture{"**........*"}));

    // A right drag erases; the view does not move.
    RightPress(f.ctx, f.Px(10), f.Px(10));
    PointerMove(f.ctx, f.Px(20), f.Px(10));
    RightRelease(f.ctx);
    EXPECT_EQ(f.live(), 1);
    EXPECT_EQ(f.ctx.view.offsetX, 0);
}

TEST(Editing, LeftDragMovesTheViewWithoutLimit) {
    EditFixture f;
    f.ctx.view.zoom = 4;
    LeftPress(f.ctx, 100, 100);
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::SizeAll);
    PointerMove(f.ctx, 140, 80);  // 10 cells right, 5 up
    EXPECT_EQ(f.ctx.view.offsetX, -10);
    EXPECT_EQ(f.ctx.view.offsetY, 5);
    for (int i = 0; i < 100; ++i) PointerMove(f.ctx, 140 + 4000.0 * (i + 1), 80);
    EXPECT_EQ(f.ctx.view.offsetX, -10 - 1000.0f * 100);  // far beyond the field's own width
    LeftRelease(f.ctx);
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::Arrow);
    PointerMove(f.ctx, 0, 0);  // released: no drag
    EXPECT_EQ(f.ctx.view.offsetY, 5);
    EXPECT_EQ(f.live(), 0);

    // The right button alone never drags.
    RightPress(f.ctx, 100, 100);
    PointerMove(f.ctx, 200, 200);
    RightRelease(f.ctx);
    EXPECT_EQ(f.ctx.view.offsetY, 5);
}

TEST(Editing, ShiftInEditModeDragsWithoutDrawingOrPausing) {
    EditFixture f;
    StartEditing(f.ctx);
    StartRun(f.ctx);
    f.t.host.shift = true;
    LeftPress(f.ctx, f.Px(10), f.Px(10));
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::SizeAll);
    EXPECT_TRUE(f.ctx.run.running);
    PointerMove(f.ctx, f.Px(12), f.Px(10));
    EXPECT_EQ(f.ctx.view.offsetX, -2);
    EXPECT_EQ(f.live(), 0);
    // Shift let go mid-stroke: the same press now draws.
    f.t.host.shift = false;
    PointerMove(f.ctx, f.Px(13), f.Px(10));
    EXPECT_EQ(f.ctx.field.at(13, 10), 1);
    EXPECT_EQ(f.ctx.view.offsetX, -2);
    LeftRelease(f.ctx);
    EXPECT_TRUE(f.ctx.run.running);

    // The release of a Shift press resumes after whatever the last pause found: here a run that
    // was stopped by hand after the pause had found it going.
    PauseRun(f.ctx);
    EXPECT_FALSE(f.ctx.run.running);
    f.t.host.shift = true;
    LeftPress(f.ctx, f.Px(10), f.Px(10));
    LeftRelease(f.ctx);
    EXPECT_TRUE(f.ctx.run.running);
}

TEST(Editing, DoubleClickCentresOutsideEditModeWithinTheFieldWidth) {
    EditFixture f;
    LeftDoubleClick(f.ctx, f.Px(100), f.Px(50));
    EXPECT_EQ(f.ctx.view.offsetX, 100.5f - 601);
    EXPECT_EQ(f.ctx.view.offsetY, 50.5f - 601);
    // The last interior column and the border do nothing: the bound is fieldWidth.
    LeftDoubleClick(f.ctx, f.Px(1200), f.Px(50));
    LeftDoubleClick(f.ctx, f.Px(0), f.Px(50));
    LeftDoubleClick(f.ctx, f.Px(10), f.Px(1200));
    EXPECT_EQ(f.ctx.view.offsetX, 100.5f - 601);
    LeftDoubleClick(f.ctx, f.Px(1199), f.Px(1199));
    EXPECT_EQ(f.ctx.view.offsetX, 1199.5f - 601);

    StartEditing(f.ctx);
    LeftDoubleClick(f.ctx, f.Px(10), f.Px(10));
    EXPECT_EQ(f.ctx.view.offsetX, 1199.5f - 601);
    f.t.host.shift = true;
    LeftDoubleClick(f.ctx, f.Px(10), f.Px(10));
    EXPECT_EQ(f.ctx.view.offsetX, 10.5f - 601);
    EXPECT_EQ(f.live(), 0);
}

TEST(Editing, ClearAsksAndOnYesEmptiesAndRenamesTheField) {
    EditFixture f;
    f.ctx.field.setCell(5, 5, 1);
    f.ctx.field.generation = 7;
    f.ctx.shell.documentPath = "/p/glider.rle";
    f.ctx.shell.currentQuickLaunchItem = 3;
    FrameWithoutPicture(f.ctx, false);
    EXPECT_TRUE(CanClearField(f.ctx));
    StartRun(f.ctx);

    f.t.host.answers.push_back(Button::No);
    ClearField(f.ctx);
    const MessageBox& box = f.t.host.lastBox();
    EXPECT_TRUE(test::Shows(box, {"クリアが選択されました。", "データを消去しますか？",
                                  Icon::Exclamation, Buttons::YesNo}));
    EXPECT_EQ(f.live(), 1);
    EXPECT_EQ(f.ctx.shell.documentPath, "/p/glider.rle");
    EXPECT_TRUE(f.ctx.run.running);

    ClearField(f.ctx);  // Yes
    EXPECT_EQ(f.live(), 0);
    EXPECT_EQ(f.ctx.field.generation, 0);
    EXPECT_EQ(f.ctx.shell.documentPath, "新規");
    EXPECT_EQ(f.ctx.shell.currentQuickLaunchItem, 0);
    EXPECT_EQ(f.t.host.lastTitle(), "新規 - Gridbloom");
    EXPECT_TRUE(f.ctx.run.running);  // goes on, and dies out at the next tick
    FrameWithoutPicture(f.ctx, false);
    EXPECT_FALSE(CanClearField(f.ctx));
}

TEST(Editing, NewAsksOnlyWhenThereIsLifeAndLeavesEditModeOnAndTheRunStopped) {
    EditFixture f;
    StartRun(f.ctx);
    NewField(f.ctx);  // empty: no question
    EXPECT_TRUE(f.t.host.boxes.empty());
    EXPECT_TRUE(f.ctx.view.editMode);
    EXPECT_FALSE(f.ctx.run.running);
    EXPECT_EQ(f.t.host.pointers.back(), Pointer::Cross);
    EXPECT_EQ(f.t.host.lastTitle(), "新規 - Gridbloom");

    f.ctx.view.editMode = false;
    f.ctx.field.setCell(9, 9, 1);
    f.ctx.field.generation = 4;
    FrameWithoutPicture(f.ctx, false);
    StartRun(f.ctx);
    f.t.host.answers.push_back(Button::No);
    NewField(f.ctx);
    EXPECT_TRUE(
        test::Shows(f.t.host.lastBox(), {"新規作成が選択されました。", "データを消去しますか？"}));
    EXPECT_EQ(f.live(), 1);
    EXPECT_FALSE(f.ctx.view.editMode);
    EXPECT_TRUE(f.ctx.run.running);  // No: the run goes on

    f.ctx.shell.currentQuickLaunchItem = -1;
    NewField(f.ctx);  // Yes
    EXPECT_EQ(f.live(), 0);
    EXPECT_EQ(f.ctx.field.generation, 0);
    EXPECT_TRUE(f.ctx.view.editMode);
    EXPECT_FALSE(f.ctx.run.running);
    EXPECT_EQ(f.ctx.shell.currentQuickLaunchItem, 0);
    EXPECT_EQ(f.ctx.shell.documentPath, "新規");
}

TEST(Editing, PressesEndTheProgramWhenTheFieldIsGone) {
    EditFixture f;
    FreeCells(f.ctx.field);
    f.ctx.field.cellsAllocated = 0;
    EXPECT_THROW(RightPress(f.ctx, 50, 50), test::ProcessExit);
}

}  // namespace
}  // namespace gb
