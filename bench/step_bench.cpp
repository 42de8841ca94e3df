// Step benchmarks on a 50 % random soup with a fixed seed (one glider for the sparse one).
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>

#include "bench/bench_host.h"
#include "core/engine/step.h"

namespace {

using gb::bench::FillSoup;

// A Field of side × side, or a skipped benchmark when the machine cannot hold it comfortably.
bool Prepare(benchmark::State& state, gb::bench::BenchContext& b, long long side) {
    const long long needed = 2 * (side + 2) * (side + 2) + (side + 2) * 100;
    if (!b.ok || !gb::bench::MemoryFor(needed)) {
        state.SkipWithError("not enough memory");
        return false;
    }
    return true;
}

void BM_StepReference(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, state.range(0))) return;
    FillSoup(b.ctx.field, 12345);
    for (auto _ : state) {
        gb::SaveGeneration(b.ctx.field);
        gb::StepGeneration(b.ctx.field, b.ctx.rule);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StepReference)->Arg(1200)->Arg(5000)->Unit(benchmark::kMillisecond);

void BM_Step(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, state.range(0))) return;
    FillSoup(b.ctx.field, 12345);
    for (auto _ : state) {
        gb::AdvanceGeneration(b.ctx.field, b.ctx.rule);
        benchmark::ClobberMemory();
    }
    state.SetLabel(gb::StepKernelName());
}
BENCHMARK(BM_Step)->Arg(1200)->Arg(5000)->Arg(32000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every tile computed every time (as after an edit), on one thread or on two, with the chosen
// inner loops (0: the processor's best, 1: AVX2, 2: portable): the raw speed of the step without
// the skipping of settled areas.
void BM_StepFull(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, state.range(0))) return;
    const std::string best = gb::StepKernelName();
    static const char* const kSets[] = {"", "avx2", "generic"};
    if (state.range(2) != 0 && !gb::SelectStepKernels(kSets[state.range(2)])) {
        state.SkipWithError("the processor lacks this set");
        return;
    }
    FillSoup(b.ctx.field, 12345);
    if (state.range(1) == 1) gb::SetParallelStepCells(std::int64_t{1} << 62);
    for (auto _ : state) {
        gb::NoteCellsChanged(b.ctx.field);
        gb::AdvanceGeneration(b.ctx.field, b.ctx.rule);
        benchmark::ClobberMemory();
    }
    state.SetLabel(gb::StepKernelName());
    gb::SetParallelStepCells(0);
    gb::SelectStepKernels(best.c_str());
}
BENCHMARK(BM_StepFull)
    ->ArgsProduct({{1200, 5000}, {1, 2}, {0}})
    ->Args({1200, 1, 1})
    ->Args({1200, 1, 2})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The machine's floor: one copy of a plane.
void BM_PlaneCopy(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, state.range(0))) return;
    FillSoup(b.ctx.field, 12345);
    gb::Field& f = b.ctx.field;
    // Once untimed, so that the pages of plane 1 exist before the clock runs.
    std::memcpy(f.plane1(), f.plane0(), static_cast<std::size_t>(f.planeSize));
    for (auto _ : state) {
        std::memcpy(f.plane1(), f.plane0(), static_cast<std::size_t>(f.planeSize));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneCopy)->Arg(1200)->Arg(5000)->Arg(32000)->Unit(benchmark::kMillisecond);

// One glider heading right and down from near the top-left corner of a huge, empty Field. It
// travels a quarter cell per generation, so it stays far from the border for all iterations.
void BM_StepSparse(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, state.range(0))) return;
    gb::Field& f = b.ctx.field;
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}) f.setCell(100 + x, 100 + y, 1);
    gb::AdvanceGeneration(f, b.ctx.rule);  // the first step after the edit looks at everything
    for (auto _ : state) {
        gb::AdvanceGeneration(f, b.ctx.rule);
        benchmark::ClobberMemory();
    }
    if (gb::LiveCellCount(f) != 5) state.SkipWithError("the glider broke");
}
BENCHMARK(BM_StepSparse)->Arg(32000)->Unit(benchmark::kMicrosecond)->Iterations(40000)
    ->UseRealTime();

}  // namespace
