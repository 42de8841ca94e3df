#include "app/view_commands.h"

#include <gtest/gtest.h>

#include <utility>

#include "app/commands.h"
#include "session/frame.h"
#include "tests/support/field_fixture.h"
#include "tests/support/session_fixture.h"
#include "view/lg_view.h"

namespace gb {
namespace {

TEST(ViewCommands, RunAndViewMenuRules) {
    test::TestContext t;
    CLGView view(t.ctx);
    view.resize(800, 600);
    CommandRegistry commands;
    RegisterRunAndViewCommands(commands, t.ctx, view);
    auto enabled = [&](int id) { return commands.state(id).enabled; };

    // Start: an empty field allows neither start, step nor a target; the interval always.
    const std::pair<int, bool> atStart[] = {
        {cmd::RunStart, false},          {cmd::RunStop, false},        {cmd::RunStep, false},
        {cmd::RunStopAt, false},         {cmd::TimerInterval, true},   {cmd::ZoomDialog, true},
        {cmd::ScrollFieldCentre, false}, {cmd::ScrollCentroid, false}, {cmd::ScrollLeft, true}};
    for (auto [id, on] : atStart) EXPECT_EQ(enabled(id), on) << id;

    test::PlacePicture(t.ctx.field, 600, 600, {"***"});
    view.DrawFrame(false);
    EXPECT_TRUE(enabled(cmd::RunStart));
    EXPECT_TRUE(enabled(cmd::RunStep));
    EXPECT_TRUE(enabled(cmd::ScrollExtentCentre));
    commands.run(cmd::RunStep);
    EXPECT_EQ(t.ctx.field.generation, 1);
    commands.run(cmd::RunStart);
    EXPECT_FALSE(enabled(cmd::RunStart));
    EXPECT_TRUE(enabled(cmd::RunStop));
    commands.run(cmd::RunStop);
    EXPECT_FALSE(t.ctx.run.running);

    commands.run(cmd::ScrollRight);
    EXPECT_EQ(t.ctx.view.offsetX, 1);
    EXPECT_TRUE(enabled(cmd::ScrollFieldCentre));
    commands.run(cmd::ScrollFieldCentre);
    EXPECT_EQ(t.ctx.view.offsetX, 0);

    for (int i = 0; i < 14; ++i) commands.runIfEnabled(cmd::ZoomIn);
    EXPECT_FALSE(enabled(cmd::ZoomIn));
    EXPECT_EQ(t.ctx.view.zoom, 20);
    // At 1/32 the whole field fits: no scroll item is enabled.
    for (int i = 0; i < 30; ++i) commands.runIfEnabled(cmd::ZoomOut);
    EXPECT_FALSE(enabled(cmd::ZoomOut));
    EXPECT_FALSE(enabled(cmd::ScrollLeft));
    EXPECT_FALSE(enabled(cmd::ScrollDown));
}

}  // namespace
}  // namespace gb
