// One frame of a 50 % soup into an 800 × 600 image, without advancing, at zoom steps 10 (6 pixels
// a cell) and 0 (32 cells a pixel).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <memory>
#include <utility>

#include "bench/bench_host.h"
#include "engine/step.h"
#include "session/zoom.h"
#include "view/frame_image.h"

namespace {

// The painter's text needs a GUI application; the offscreen platform serves without a display.
void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "gridbloom-bench";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

// A Context with a side × side soup and the zoom step of the benchmark, or nullptr (the benchmark
// skipped) when the machine cannot hold it.
std::unique_ptr<gb::bench::BenchContext> Prepare(benchmark::State& state) {
    EnsureGuiApplication();
    const long long side = state.range(0);
    // Both planes, and the staging grid (allocated but not touched: its pages are never made).
    if (!gb::bench::MemoryFor(2 * (side + 2) * (side + 2) + 64 * 1024 * 1024)) {
        state.SkipWithError("not enough memory");
        return nullptr;
    }
    auto b = std::make_unique<gb::bench::BenchContext>(static_cast<int>(side));
    gb::Context& ctx = b->ctx;
    if (!b->ok) {
        state.SkipWithError("not enough memory");
        return nullptr;
    }
    gb::bench::FillSoup(ctx.field, 12345);
    const int step = static_cast<int>(state.range(1));
    ctx.view.zoomStep = step;
    ctx.view.zoom = gb::ZoomSteps[static_cast<std::size_t>(step)];
    return b;
}

// The frame that repaints a Field nothing has written since the last frame (a paused run being
// scrolled, or any frame of a run, whose step keeps the count): one frame is drawn untimed first.
void BM_DrawFrame(benchmark::State& state) {
    auto b = Prepare(state);
    if (!b) return;
    gb::Context& ctx = b->ctx;
    gb::ComposeFrame(ctx, QSize(800, 600), false);
    for (auto _ : state) {
        QImage image = gb::ComposeFrame(ctx, QSize(800, 600), false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["population"] = ctx.view.population;
}
BENCHMARK(BM_DrawFrame)->ArgsProduct({{1200, 5000, 32000}, {10, 0}})->Unit(benchmark::kMillisecond);

// The same right after an edit of one cell.
void BM_DrawFrameAfterEdit(benchmark::State& state) {
    auto b = Prepare(state);
    if (!b) return;
    gb::Context& ctx = b->ctx;
    for (auto _ : state) {
        const int x = ctx.field.gridWidth / 2, y = ctx.field.gridHeight / 2;
        ctx.field.setCell(x, y, ctx.field.at(x, y) != 0 ? 0 : 1);
        QImage image = gb::ComposeFrame(ctx, QSize(800, 600), false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["population"] = ctx.view.population;
}
BENCHMARK(BM_DrawFrameAfterEdit)
    ->ArgsProduct({{1200, 5000}, {10, 0}})
    ->Unit(benchmark::kMillisecond);

// A frame of a running Field: one generation, then the picture.
void BM_RunFrame(benchmark::State& state) {
    auto b = Prepare(state);
    if (!b) return;
    gb::Context& ctx = b->ctx;
    for (auto _ : state) {
        QImage image = gb::ComposeFrame(ctx, QSize(800, 600), true);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["population"] = ctx.view.population;
}
BENCHMARK(BM_RunFrame)
    ->ArgsProduct({{1200, 5000}, {10, 0}})
    ->Args({32000, 0})
    ->Unit(benchmark::kMillisecond);

// A frame of a huge Field holding one glider at its centre: a tile the index leaves unmarked is
// background without a look, so the frame costs the live tiles in view and the pixels.
void BM_DrawFrameSparse(benchmark::State& state) {
    EnsureGuiApplication();
    const int side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    gb::Context& ctx = b.ctx;
    if (!b.ok) {
        state.SkipWithError("not enough memory");
        return;
    }
    for (auto [x, y] : {std::pair{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}})
        ctx.field.setCell(side / 2 + x, side / 2 + y, 1);
    const int step = static_cast<int>(state.range(1));
    ctx.view.zoomStep = step;
    ctx.view.zoom = gb::ZoomSteps[static_cast<std::size_t>(step)];
    for (auto _ : state) {
        QImage image = gb::ComposeFrame(ctx, QSize(800, 600), false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["population"] = ctx.view.population;
}
BENCHMARK(BM_DrawFrameSparse)->ArgsProduct({{32000}, {10, 0}})->Unit(benchmark::kMillisecond);

}  // namespace
