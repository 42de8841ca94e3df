// One frame of a 50 % soup into an 800 × 600 image, without advancing.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <random>

#include "bench/bench_host.h"
#include "core/zoom.h"
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

void BM_DrawFrame(benchmark::State& state) {
    EnsureGuiApplication();
    const int side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    gb::Context& ctx = b.ctx;
    const bool load = gb::AllocateLoadArea(ctx, ctx.field.loadWidth, ctx.field.loadHeight) ==
                      gb::kAllocOk;
    if (!b.ok || !load) {
        state.SkipWithError("not enough memory");
        return;
    }
    ctx.field.loadAreaAllocated = 1;
    std::mt19937 rng(12345);
    gb::Field& f = ctx.field;
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x) f.at(x, y) = static_cast<std::int8_t>(rng() & 1);
    const int step = static_cast<int>(state.range(1));
    ctx.view.zoomStep = step;
    ctx.view.zoom = gb::ZoomSteps[static_cast<std::size_t>(step)];
    for (auto _ : state) {
        QImage image = gb::ComposeFrame(ctx, QSize(800, 600), false);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["population"] = ctx.field.population;
}
BENCHMARK(BM_DrawFrame)->Args({1200, 10})->Args({1200, 0})->Unit(benchmark::kMillisecond);

}  // namespace
