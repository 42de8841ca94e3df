#include "session/run.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"

namespace gb {
namespace {

TEST(Run, PauseAndResumeFollowTheStateAtThePause) {
    test::TestContext t(false);
    PauseRun(t.ctx);
    ResumeRun(t.ctx);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_TRUE(t.host.timersSet.empty());

    StartRun(t.ctx);
    t.ctx.run.timerInterval = 250;
    PauseRun(t.ctx);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.host.activeTimers.count(RUN_TIMER), 0u);
    ResumeRun(t.ctx);
    ResumeRun(t.ctx);  // a second resume only restarts the timer
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.host.activeTimers.at(RUN_TIMER), 250);
    EXPECT_EQ(t.host.timersSet.size(), 3u);
}

TEST(Run, RefusedTimerStillRunsAndStopSkipsTheKill) {
    test::TestContext t(false);
    t.host.refuseTimers = true;
    StartRun(t.ctx);
    EXPECT_TRUE(t.ctx.run.running);
    StopRun(t.ctx);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_TRUE(t.host.timersKilled.empty());
}

TEST(Pointer, FirstMatchingRuleWins) {
    test::TestContext t(false);
    auto shape = [&] {
        RefreshCursor(t.ctx);
        return t.host.pointers.back();
    };
    EXPECT_EQ(shape(), Pointer::Arrow);
    t.ctx.view.leftDown = true;
    EXPECT_EQ(shape(), Pointer::SizeAll);
    t.ctx.view.editMode = true;
    EXPECT_EQ(shape(), Pointer::Cross);
    t.host.shift = true;
    EXPECT_EQ(shape(), Pointer::SizeAll);
    {
        BusyScope busy(t.ctx);
        EXPECT_EQ(t.host.pointers.back(), Pointer::Wait);
    }
    EXPECT_EQ(t.ctx.run.busy, 0);
    EXPECT_EQ(t.host.pointers.back(), Pointer::SizeAll);
}

}  // namespace
}  // namespace gb
