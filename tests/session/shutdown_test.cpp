#include "session/shutdown.h"

#include <gtest/gtest.h>

#include "session/run.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(CloseCheck, NoKeepsEverythingAndTheRunGoing) {
    test::TestContext t;
    StartRun(t.ctx);
    int writes = 0;
    t.host.answers.push_back(Button::No);
    EXPECT_FALSE(CanCloseFrame(t.ctx, [&] { ++writes; }));
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(t.ctx.field.cellsAllocated, 1);
    const MessageBox& box = t.host.lastBox();
    EXPECT_TRUE(
        test::Shows(box, {"Gridbloom", "終了しますか。", Icon::Information, Buttons::YesNo}));
}

TEST(CloseCheck, YesReleasesTheFieldAndWritesTheSettings) {
    test::TestContext t;
    int writes = 0;
    t.ctx.shell.messageCaption = "leftover";
    EXPECT_TRUE(CanCloseFrame(t.ctx, [&] { ++writes; }));
    EXPECT_EQ(t.host.lastBox().caption, "Gridbloom");
    EXPECT_EQ(writes, 1);
    EXPECT_EQ(t.ctx.field.cellsAllocated, 0);
    EXPECT_EQ(t.ctx.field.loadAreaAllocated, 0);
    EXPECT_FALSE(t.ctx.field.hasCells());
    EXPECT_FALSE(t.ctx.run.running);
}

TEST(CloseCheck, ASecondRequestWhileAskingIsRefusedWithoutAnotherQuestion) {
    test::TestContext t;
    StartRun(t.ctx);
    t.ctx.shell.quitQuestionShown = true;  // the first question is still on screen
    EXPECT_FALSE(CanCloseFrame(t.ctx, {}));
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_TRUE(t.ctx.run.running);
}

}  // namespace
}  // namespace gb
