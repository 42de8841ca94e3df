// Step benchmarks on a 50 % random soup with a fixed seed (one glider for the sparse one), and
// the byte-per-cell yardsticks: the reference step and one copy of a byte plane.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_host.h"
#include "engine/step.h"

namespace {

using gb::bench::FillSoup;

// The bytes a Field of side × side needs: both bit planes.
long long FieldBytes(long long side) {
    return 2 * static_cast<long long>(gb::CellGrid::BlockBytes(static_cast<int>(side + 2),
                                                               static_cast<int>(side + 2)));
}

// True when about `bytes` can be had and the Field was made; otherwise the benchmark is skipped.
bool Prepare(benchmark::State& state, const gb::bench::BenchContext& b, long long bytes) {
    if (!b.ok || !gb::bench::MemoryFor(bytes)) {
        state.SkipWithError("not enough memory");
        return false;
    }
    return true;
}

// The reference step on the soup's bytes: what a byte per cell costs.
void BM_StepReference(benchmark::State& state) {
    const long long side = state.range(0);
    gb::bench::BenchContext b(static_cast<int>(side));
    if (!Prepare(state, b, 2 * (side + 2) * (side + 2))) return;
    FillSoup(b.ctx.field, 12345);
    std::vector<std::int8_t> bytes = gb::CellBytes(b.ctx.field);
    for (auto _ : state) {
        gb::ReferenceStep(bytes, b.ctx.field.gridWidth, b.ctx.field.gridHeight, b.ctx.rule);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StepReference)->Arg(1200)->Arg(5000)->Unit(benchmark::kMillisecond);

// The soup as a user runs it: at first every tile changes, later the settled areas cost nothing.
void BM_Step(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, FieldBytes(state.range(0)))) return;
    FillSoup(b.ctx.field, 12345);
    for (auto _ : state) {
        gb::AdvanceGeneration(b.ctx.field, b.ctx.rule);
        benchmark::ClobberMemory();
    }
    state.SetLabel(gb::StepKernelName());
}
BENCHMARK(BM_Step)->Arg(1200)->Arg(5000)->Arg(32000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Every tile computed every time: the step forgets what it knew before each one, so every tile
// of the soup and its neighbours is computed and written. On one thread or on two, with the
// chosen inner loops (0: the processor's best, 1: AVX2, 2: portable): the raw speed of the step
// without the skipping of settled areas.
void BM_StepFull(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, FieldBytes(state.range(0)))) return;
    const std::string best = gb::StepKernelName();
    static const char* const kSets[] = {"", "avx2", "generic"};
    if (state.range(2) != 0 && !gb::SelectStepKernels(kSets[state.range(2)])) {
        state.SkipWithError("the processor lacks this set");
        return;
    }
    FillSoup(b.ctx.field, 12345);
    gb::SetParallelStepCells(state.range(1) == 1 ? std::int64_t{1} << 62 : 1);
    for (auto _ : state) {
        gb::ResetStepTracking(b.ctx.field);
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

// The old floor: one copy of a byte plane of the grid's size.
void BM_PlaneCopy(benchmark::State& state) {
    const long long side = state.range(0), bytes = (side + 2) * (side + 2);
    if (!gb::bench::MemoryFor(2 * bytes)) {
        state.SkipWithError("not enough memory");
        return;
    }
    // Both filled untimed, so that their pages exist before the clock runs.
    std::vector<std::int8_t> from(static_cast<std::size_t>(bytes), 1),
        to(static_cast<std::size_t>(bytes), 0);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_PlaneCopy)->Arg(1200)->Arg(5000)->Arg(32000)->Unit(benchmark::kMillisecond);

// One glider heading right and down from near the top-left corner of a huge, empty Field. It
// travels a quarter cell per generation, so it stays far from the border for all iterations.
void BM_StepSparse(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!Prepare(state, b, FieldBytes(state.range(0)))) return;
    gb::Field& f = b.ctx.field;
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
        f.setCell(100 + x, 100 + y, 1);
    gb::AdvanceGeneration(f, b.ctx.rule);  // the first step after the edit starts afresh
    for (auto _ : state) {
        gb::AdvanceGeneration(f, b.ctx.rule);
        benchmark::ClobberMemory();
    }
    if (f.population() != 5) state.SkipWithError("the glider broke");
}
BENCHMARK(BM_StepSparse)
    ->Arg(32000)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(40000)
    ->UseRealTime();

}  // namespace
