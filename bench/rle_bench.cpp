// Reading and writing RLE files: a random soup written by our own writer, read back through the
// real reader into the Field (from memory and from a file), and a glider into a huge Field.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <random>

#include "bench/bench_host.h"
#include "engine/extent.h"
#include "engine/field.h"
#include "formats/rle_reader.h"
#include "formats/rle_writer.h"
#include "session/document.h"

namespace {

// A Field of side × side with its staging grid, as the programs build it.
bool PrepareLoad(benchmark::State& state, gb::bench::BenchContext& b, long long side) {
    const auto grid = static_cast<int>(side + 2),
               load = static_cast<int>(side + 2 + gb::kLoadMargin);
    const auto needed = static_cast<long long>(2 * gb::CellGrid::BlockBytes(grid, grid) +
                                               gb::CellGrid::BlockBytes(load, load));
    if (!b.ok || !gb::bench::MemoryFor(needed)) {
        state.SkipWithError("not enough memory");
        return false;
    }
    return true;
}

// The 1200 × 1200 soup with a third of the cells live (about 1 MB), read from memory.
void BM_ReadRle(benchmark::State& state) {
    gb::bench::BenchContext b(1200);
    if (!PrepareLoad(state, b, 1200)) return;
    gb::Field& f = b.ctx.field;
    std::mt19937 rng(4242);
    for (int y = 1; y < f.gridHeight - 1; ++y)
        for (int x = 1; x < f.gridWidth - 1; ++x)
            f.setCell(x, y, static_cast<std::int8_t>(rng() % 3 == 0));
    const std::string file = gb::WriteRleFile(b.ctx.field, b.ctx.rule.ruleText);
    for (auto _ : state) {
        gb::ReadRleFile(b.ctx, file, "soup.rle");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file.size()));
    state.counters["file_bytes"] = static_cast<double>(file.size());
}
BENCHMARK(BM_ReadRle)->Unit(benchmark::kMillisecond);

// A 50 % soup filling the Field (19 MB of RLE at 5000), read from memory into the same Field.
// Compare with BM_PlaneCopy of the same side in the same run.
void BM_LoadRle(benchmark::State& state) {
    const auto side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    if (!PrepareLoad(state, b, side)) return;
    gb::bench::FillSoup(b.ctx.field, 777);
    const std::string file = gb::WriteRleFile(b.ctx.field, b.ctx.rule.ruleText);
    gb::ReadRleFile(b.ctx, file,
                    "soup.rle");  // once untimed: every page exists before the clock runs
    for (auto _ : state) {
        gb::ReadRleFile(b.ctx, file, "soup.rle");
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_LoadRle)->Arg(1200)->Arg(5000)->Unit(benchmark::kMillisecond);

// The same soup through the path the Open command takes: a temporary file read in pieces.
void BM_LoadRleFromFile(benchmark::State& state) {
    const auto side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    if (!PrepareLoad(state, b, side)) return;
    gb::bench::FillSoup(b.ctx.field, 777);
    char path[] = "/tmp/gridbloom-bench-XXXXXX";
    const int fd = ::mkstemp(path);
    const std::string file = gb::WriteRleFile(b.ctx.field, b.ctx.rule.ruleText);
    if (fd < 0 || ::write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size())) {
        state.SkipWithError("no temporary file");
        if (fd >= 0) ::close(fd);
        return;
    }
    ::close(fd);
    gb::OpenRlePath(b.ctx, path);
    for (auto _ : state) {
        gb::OpenRlePath(b.ctx, path);
        benchmark::ClobberMemory();
    }
    std::remove(path);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_LoadRleFromFile)->Arg(5000)->Unit(benchmark::kMillisecond);

// One glider into a huge, empty Field: the cost should follow the pattern, not the Field.
void BM_LoadSparse(benchmark::State& state) {
    const auto side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    if (!PrepareLoad(state, b, side)) return;
    const std::string glider = "#N Glider\nx = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n";
    gb::ReadRleFile(b.ctx, glider, "glider.rle");
    for (auto _ : state) {
        gb::ReadRleFile(b.ctx, glider, "glider.rle");
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LoadSparse)->Arg(1200)->Arg(32000)->Unit(benchmark::kMicrosecond);

// The readers' own share of BM_LoadSparse: taking the file, clearing the staging grid where the
// last read wrote, the staged extent and the placing (no clearing of the Field, no zoom fit).
void BM_StageSparse(benchmark::State& state) {
    const auto side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    if (!PrepareLoad(state, b, side)) return;
    gb::Field& f = b.ctx.field;
    const std::string glider = "#N Glider\nx = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n";
    const gb::RleReadingParams params = gb::FileRleParams(f);
    for (auto _ : state) {
        gb::RleReadState s;
        gb::RleReading(glider, params, f.staging(), s);
        const gb::Extent e = f.staged().extent();
        f.placeStaged(e.left, e.top, e.right, e.bottom, (f.gridWidth - e.width) / 2,
                      (f.gridHeight - e.height) / 2);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_StageSparse)->Arg(1200)->Arg(32000)->Unit(benchmark::kMicrosecond);

// Writing the 50 % soup.
void BM_WriteRle(benchmark::State& state) {
    const auto side = static_cast<int>(state.range(0));
    gb::bench::BenchContext b(side);
    if (!PrepareLoad(state, b, side)) return;
    gb::bench::FillSoup(b.ctx.field, 777);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string file = gb::WriteRleFile(b.ctx.field, b.ctx.rule.ruleText);
        bytes = file.size();
        benchmark::DoNotOptimize(file.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_WriteRle)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
