// Step benchmarks on a 50 % random soup with a fixed seed.
#include <benchmark/benchmark.h>

#include <random>

#include "core/step.h"
#include "bench/bench_host.h"

namespace {

void FillSoup(gb::Field& f, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x) f.at(x, y) = static_cast<std::int8_t>(rng() & 1);
}

void BM_StepReference(benchmark::State& state) {
    gb::bench::BenchContext b(static_cast<int>(state.range(0)));
    if (!b.ok) {
        state.SkipWithError("not enough memory");
        return;
    }
    FillSoup(b.ctx.field, 12345);
    for (auto _ : state) {
        gb::SaveGeneration(b.ctx.field);
        gb::StepGeneration(b.ctx.field, b.ctx.rule);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StepReference)->Arg(1200)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
