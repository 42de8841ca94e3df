// Reading an RLE file of about 1 MB (a random soup written by our own writer).
#include <benchmark/benchmark.h>

#include <random>

#include "bench/bench_host.h"
#include "formats/rle_file.h"

namespace {

void BM_ReadRle(benchmark::State& state) {
    gb::bench::BenchContext b(1200);
    gb::Field& f = b.ctx.field;
    f.loadWidth = f.gridWidth + gb::kLoadMargin;
    f.loadHeight = f.gridHeight + gb::kLoadMargin;
    if (!b.ok || gb::AllocateLoadArea(b.ctx, f.loadWidth, f.loadHeight) != gb::kAllocOk) {
        state.SkipWithError("not enough memory");
        return;
    }
    f.loadAreaAllocated = 1;
    std::mt19937 rng(4242);
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x) f.at(x, y) = static_cast<std::int8_t>(rng() % 3 == 0);
    const std::string file = gb::WriteRleFile(b.ctx);
    for (auto _ : state) {
        gb::ReadRleFile(b.ctx, file, "soup.rle");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_ReadRle)->Unit(benchmark::kMillisecond);

}  // namespace
