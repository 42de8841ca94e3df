// What keeping the old pattern costs a read: an RLE soup read over a full 1200 × 1200 Field (the
// worst case: every tile is kept), bare and with the copy the apply keeps should memory run out.
#include <benchmark/benchmark.h>

#include <random>

#include "bench/bench_host.h"
#include "formats/rle_reader.h"
#include "formats/rle_writer.h"
#include "session/document.h"
#include "session/read_guard.h"

namespace {

void ReadSoup(benchmark::State& state, bool guarded) {
    gb::bench::BenchContext b(1200);
    gb::Field& f = b.ctx.field;
    if (!b.ok) {
        state.SkipWithError("not enough memory");
        return;
    }
    std::mt19937 rng(4242);
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x)
            f.setCell(x, y, static_cast<std::int8_t>(rng() % 3 == 0));
    const std::string file = gb::WriteRleFile(b.ctx.field, b.ctx.rule.ruleText);
    for (auto _ : state) {
        if (guarded)
            gb::ApplyWithinMemory(b.ctx, [&] { gb::ReadRleFile(b.ctx, file, "soup.rle"); });
        else
            gb::ReadRleFile(b.ctx, file, "soup.rle");
        benchmark::ClobberMemory();
    }
}

void BM_ReadSoupBare(benchmark::State& state) { ReadSoup(state, false); }
void BM_ReadSoupWithinMemory(benchmark::State& state) { ReadSoup(state, true); }
BENCHMARK(BM_ReadSoupBare)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadSoupWithinMemory)->Unit(benchmark::kMillisecond);

}  // namespace
