// The engine's walks over a sparse Field: clearing, the extent, the count, a move and a resize
// cost the live tiles, not the Field's area.
#include <benchmark/benchmark.h>

#include <utility>

#include "bench/bench_host.h"
#include "engine/extent.h"
#include "engine/step.h"
#include "session/field_size.h"
#include "session/move.h"

namespace {

using gb::bench::BenchContext;

// A glider near the top-left corner, heading right and down.
void PlaceGlider(gb::Field& f, int at) {
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
        f.setCell(at + x, at + y, 1);
}

// Both planes are only address space here: a fresh Field's pages are never made.
bool Ready(benchmark::State& state, const BenchContext& b) {
    if (!b.ok) state.SkipWithError("not enough memory");
    return b.ok;
}

// A glider run for 1000 generations, then the Field cleared (only the clear is timed).
void BM_ClearCells(benchmark::State& state) {
    BenchContext b(static_cast<int>(state.range(0)));
    if (!Ready(state, b)) return;
    gb::Field& f = b.ctx.field;
    for (auto _ : state) {
        state.PauseTiming();
        PlaceGlider(f, 100);
        for (int g = 0; g < 1000; ++g) gb::AdvanceGeneration(f, b.ctx.rule);
        state.ResumeTiming();
        gb::ClearCells(f);
        benchmark::ClobberMemory();
    }
    if (f.population() != 0) state.SkipWithError("cells left");
}
BENCHMARK(BM_ClearCells)->Arg(5000)->Arg(32000)->Unit(benchmark::kMicrosecond)->Iterations(20);

// The extent of one drawn cell on a fresh Field, alone or right after another write each time
// (the extent comes from the live tiles either way: no scan of the Field).
void BM_FieldExtent(benchmark::State& state) {
    BenchContext b(static_cast<int>(state.range(0)));
    if (!Ready(state, b)) return;
    gb::Field& f = b.ctx.field;
    f.setCell(f.gridWidth / 3, f.gridHeight / 3, 1);
    const bool written = state.range(1) != 0;
    std::int8_t live = 1;
    for (auto _ : state) {
        if (written) f.setCell(f.gridWidth / 2, f.gridHeight / 2, live ^= 1);
        benchmark::DoNotOptimize(gb::FieldExtent(f));
    }
}
BENCHMARK(BM_FieldExtent)
    ->Args({5000, 0})
    ->Args({32000, 0})
    ->Args({5000, 1})
    ->Unit(benchmark::kMicrosecond);

// The extent of a dense soup: every tile holds cells.
void BM_FieldExtentSoup(benchmark::State& state) {
    BenchContext b(static_cast<int>(state.range(0)));
    if (!Ready(state, b)) return;
    gb::bench::FillSoup(b.ctx.field, 12345);
    for (auto _ : state) benchmark::DoNotOptimize(gb::FieldExtent(b.ctx.field));
}
BENCHMARK(BM_FieldExtentSoup)->Arg(5000)->Unit(benchmark::kMicrosecond);

// The count of a glider's Field after its run (the tiles the step wrote are counted when asked).
void BM_CountSparse(benchmark::State& state) {
    BenchContext b(static_cast<int>(state.range(0)));
    if (!Ready(state, b)) return;
    gb::Field& f = b.ctx.field;
    PlaceGlider(f, 100);
    for (int g = 0; g < 1000; ++g) gb::AdvanceGeneration(f, b.ctx.rule);
    for (auto _ : state) benchmark::DoNotOptimize(f.population());
}
BENCHMARK(BM_CountSparse)->Arg(32000)->Unit(benchmark::kMicrosecond);

// A Context whose staging grid exists too (the commands check for both blocks).
bool WithLoadArea(benchmark::State& state, BenchContext& b) { return Ready(state, b); }

// A glider moved back and forth by a thousand cells.
void BM_ShiftSparse(benchmark::State& state) {
    BenchContext b(static_cast<int>(state.range(0)));
    if (!WithLoadArea(state, b)) return;
    PlaceGlider(b.ctx.field, 5000);
    int dx = 1000;
    for (auto _ : state) {
        gb::ShiftCells(b.ctx, dx, dx);
        dx = -dx;
    }
}
BENCHMARK(BM_ShiftSparse)->Arg(32000)->Unit(benchmark::kMicrosecond);

// A glider's Field made one cell larger and smaller in turn: new blocks, the pattern carried.
void BM_ResizeSparse(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    BenchContext b(side);
    if (!WithLoadArea(state, b)) return;
    gb::Context& ctx = b.ctx;
    PlaceGlider(ctx.field, side / 2);
    int next = side + 1;
    for (auto _ : state) {
        if (!gb::RebuildField(ctx, next, next)) state.SkipWithError("resize failed");
        next = next == side ? side + 1 : side;
    }
    if (ctx.field.population() != 5) state.SkipWithError("the glider was lost");
}
BENCHMARK(BM_ResizeSparse)->Arg(32000)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
