// A session for tests: a Context over the scripted host with its Field, and the pieces of run
// state the tests read or stand in for (what the last frame counted, the busy level, whether the
// Field is being rebuilt). Those are read and written here only.
#pragma once

#include <gtest/gtest.h>

#include "engine/field.h"
#include "session/context.h"
#include "session/field_memory.h"
#include "session/frame.h"
#include "tests/support/field_fixture.h"
#include "tests/support/scripted_host.h"

namespace gb::test {

// A fresh Context with its scripted host.
struct TestContext {
    ScriptedHost host;
    Context ctx{host};
    // The default Field as the program makes it at start-up, or (false) no Field at all.
    explicit TestContext(bool initField = true) {
        if (initField) InitField(ctx);
    }
    // A Field of width × height interior cells with its staging grid, made by the engine's set-up.
    TestContext(int width, int height) {
        EXPECT_TRUE(SetUpField(ctx.field, width, height).ok()) << width << " x " << height;
    }
};

// The live cells the last frame counted.
inline double CountedPopulation(const Context& ctx) { return ctx.view.population; }
// Stands in for a frame that counted `population` live cells.
inline void SetCountedPopulation(Context& ctx, double population) {
    ctx.view.population = population;
}

// Stands in for a frame that counted the Field's live cells, so writers see them.
inline void CountPopulation(Context& ctx) { SetCountedPopulation(ctx, CountCells(ctx.field)); }

// Makes the picture's live cells live, its top-left corner at (left, top), and counts them as a
// frame would.
inline void PlacePicture(Context& ctx, int left, int top, const Picture& rows) {
    PlacePicture(ctx.field, left, top, rows);
    CountPopulation(ctx);
}

// How many busy scopes are open; raised by hand by the tests of what an operation leaves.
inline int BusyLevel(const Context& ctx) { return ctx.run.busy; }
inline void SetBusyLevel(Context& ctx, int level) { ctx.run.busy = level; }

// True while the field-size command rebuilds the Field's blocks.
inline bool Rebuilding(const Context& ctx) { return ctx.run.rebuilding; }

}  // namespace gb::test
