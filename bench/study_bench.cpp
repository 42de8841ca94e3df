// What studying a run costs the tool: a statistics row every generation of a 5000 × 5000 soup,
// and the watch for settling on a 1200 × 1200 soup run until it settles, each beside the same
// run without them (arg 0: without, 1: with). The soups are the 50 % ones of the step benchmarks.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "bench/bench_host.h"
#include "engine/cell_grid.h"
#include "engine/extent.h"
#include "engine/field.h"
#include "engine/step.h"
#include "frontends/cli/study.h"
#include "session/frame.h"

namespace {

std::unique_ptr<gb::bench::BenchContext> Prepare(benchmark::State& state, int side) {
    const int grid = side + 2;
    const auto cells = static_cast<long long>(
        2 * gb::CellGrid::BlockBytes(grid, grid) +
        gb::CellGrid::BlockBytes(grid + gb::kLoadMargin, grid + gb::kLoadMargin));
    if (!gb::bench::MemoryFor(cells + 64 * 1024 * 1024)) {
        state.SkipWithError("not enough memory");
        return nullptr;
    }
    auto b = std::make_unique<gb::bench::BenchContext>(side);
    if (!b->ok) {
        state.SkipWithError("not enough memory");
        return nullptr;
    }
    return b;
}

// 100 generations as the tool runs them, with or without a CSV row after each.
void BM_StatsEveryGeneration5000(benchmark::State& state) {
    auto b = Prepare(state, 5000);
    if (!b) return;
    gb::Context& ctx = b->ctx;
    const bool rows = state.range(0) != 0;
    std::string csv;
    for (auto _ : state) {
        state.PauseTiming();
        gb::bench::FillSoup(ctx.field, 12345);
        csv.clear();
        state.ResumeTiming();
        if (rows) csv += gb::cli::StatsRow(0, ctx.field.population(), gb::FieldExtent(ctx.field));
        for (int g = 1; g <= 100; ++g) {
            gb::FrameWithoutPicture(ctx, true);
            if (rows)
                csv += gb::cli::StatsRow(g, ctx.field.population(), gb::FieldExtent(ctx.field));
        }
        benchmark::DoNotOptimize(csv.data());
    }
    state.counters["rows"] = rows ? 100 : 0;
}
BENCHMARK(BM_StatsEveryGeneration5000)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The generation the 1200 × 1200 soup settles at, found once by the watch itself.
std::int64_t SettleGeneration(gb::Context& ctx) {
    static std::int64_t found = -1;
    if (found >= 0) return found;
    gb::bench::FillSoup(ctx.field, 12345);
    gb::cli::SettleWatch watch(ctx.field, ctx.rule, 1000);
    for (std::int64_t g = 1; g <= 100000; ++g) {
        gb::FrameWithoutPicture(ctx, true);
        if (watch.afterStep(g)) return found = g;
    }
    return found = 100000;
}

// The soup run to the generation it settles at: without the watch (the generations alone) and
// with it (hashes, saved copies and the confirmation on the cells).
void BM_UntilSettled1200(benchmark::State& state) {
    auto b = Prepare(state, 1200);
    if (!b) return;
    gb::Context& ctx = b->ctx;
    const std::int64_t settled = SettleGeneration(ctx);
    const bool watching = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        gb::bench::FillSoup(ctx.field, 12345);
        state.ResumeTiming();
        std::unique_ptr<gb::cli::SettleWatch> watch;
        if (watching) watch = std::make_unique<gb::cli::SettleWatch>(ctx.field, ctx.rule, 1000);
        for (std::int64_t g = 1; g <= settled; ++g) {
            gb::FrameWithoutPicture(ctx, true);
            if (watch && watch->afterStep(g)) break;
        }
        benchmark::DoNotOptimize(ctx.view.population);
    }
    state.counters["generations"] = static_cast<double>(settled);
}
BENCHMARK(BM_UntilSettled1200)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
