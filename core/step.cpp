#include "core/step.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

#include "core/step_kernel.h"

namespace gb {

void SaveGeneration(Field& field) {
    std::memcpy(field.plane1(), field.plane0(), static_cast<std::size_t>(field.planeSize));
}

void StepGeneration(Field& field, const Rule& rule) {
    const int w = field.gridWidth;
    const int h = field.gridHeight;
    const std::int8_t* prev = field.plane1();
    std::int8_t* next = field.plane0();
    for (int y = 1; y <= h - 2; ++y) {
        const std::int8_t* above = prev + static_cast<std::ptrdiff_t>(y - 1) * w;
        const std::int8_t* row = above + w;
        const std::int8_t* below = row + w;
        std::int8_t* out = next + static_cast<std::ptrdiff_t>(y) * w;
        for (int x = 1; x <= w - 2; ++x) {
            const int s = above[x - 1] + above[x] + above[x + 1] + row[x - 1] + row[x + 1] +
                          below[x - 1] + below[x] + below[x + 1];
            const int c = row[x];
            const int* table;
            if (c == 0)
                table = rule.birthTable.data();
            else if (c == 1)
                table = rule.survivalTable.data();
            else
                continue;
            if (s < 0 || s > 8) continue;
            out[x] = static_cast<std::int8_t>(table[s]);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The fast step.
//
// The interior is cut into tiles of 64 columns × kBandHeight rows; a band is one row of tiles.
// A cell can change only if a cell of its 3 × 3 neighbourhood changed in the previous generation
// (the rule being the same), so the step computes only the tiles marked by the previous step and
// marks, for the next one, every tile next to a cell that changed. After any other write of plane
// 0, a new rule or new cells, every tile is marked.
//
// The work is in place: each marked band's rows (with one row above and below) are copied into a
// small scratch slot first, and the band is computed from that copy into plane 0. A band's copy
// is taken before the band above it is computed, so every copy holds the previous generation.
// Large steps split the bands in two halves, one per thread; the two rows where the halves meet
// are saved before either starts. The result never depends on how the work was split.

namespace {

using stepk::kTileWidth;
constexpr int kBandHeight = stepk::kMaxBandRows;
std::int64_t parallelCells = std::int64_t{1} << 19;  // fewer marked cells: one thread

stepk::Kernels ChooseKernels() {
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        return stepk::Avx2Kernels();
#endif
    return stepk::GenericKernels();
}

stepk::Kernels& Kernels() {
    static stepk::Kernels kernels = ChooseKernels();
    return kernels;
}

inline void CpuRelax() {
#if defined(__x86_64__) || defined(_M_X64)
    __builtin_ia32_pause();
#endif
}

// One helper thread, started on first use, that runs the second half of a large step.
class Helper {
public:
    using Job = void (*)(void* data, int worker);

    // nullptr when the machine has one core or no thread can be started.
    static Helper* Get() {
        static Helper* helper = Make();
        return helper;
    }

    // Runs job(data, 1) on the helper and job(data, 0) here; returns when both are done.
    void RunPair(Job job, void* data) {
        job_ = job;
        data_ = data;
        const std::uint32_t ticket = posted_.load(std::memory_order_relaxed) + 1;
        posted_.store(ticket, std::memory_order_release);
        posted_.notify_one();
        job(data, 0);
        for (int spin = 0;; ++spin) {
            const std::uint32_t seen = finished_.load(std::memory_order_acquire);
            if (seen == ticket) break;
            if (spin < kSpins)
                CpuRelax();
            else
                finished_.wait(seen, std::memory_order_acquire);
        }
    }

private:
    static constexpr int kSpins = 2000;

    static Helper* Make() {
        if (std::thread::hardware_concurrency() < 2) return nullptr;
        auto* helper = new Helper;
        try {
            // Kept for the whole process: it sleeps when there is nothing to do.
            std::thread(&Helper::Loop, helper).detach();
        } catch (const std::system_error&) {
            delete helper;
            return nullptr;
        }
        return helper;
    }

    void Loop() {
        std::uint32_t done = 0;
        for (;;) {
            for (int spin = 0; posted_.load(std::memory_order_acquire) == done; ++spin) {
                if (spin < kSpins)
                    CpuRelax();
                else
                    posted_.wait(done, std::memory_order_acquire);
            }
            ++done;
            job_(data_, 1);
            finished_.store(done, std::memory_order_release);
            finished_.notify_one();
        }
    }

    std::atomic<std::uint32_t> posted_{0};
    std::atomic<std::uint32_t> finished_{0};
    Job job_ = nullptr;
    void* data_ = nullptr;
};

inline void SetBit(std::uint64_t* words, int j) { words[j >> 6] |= std::uint64_t{1} << (j & 63); }

// Calls f(j0, j1) for every run of consecutive set bits j0 .. j1 - 1 of a band's words.
template <typename F>
void ForEachRun(const std::uint64_t* words, int count, F&& f) {
    int runStart = -1, runEnd = -1;
    for (int w = 0; w < count; ++w) {
        std::uint64_t bits = words[w];
        while (bits != 0) {
            const int start = std::countr_zero(bits);
            const std::uint64_t shifted = bits >> start;
            const int length = shifted == ~std::uint64_t{0} ? 64 - start : std::countr_one(shifted);
            const int j0 = w * 64 + start;
            const int j1 = j0 + length;
            if (j0 == runEnd) {
                runEnd = j1;
            } else {
                if (runStart >= 0) f(runStart, runEnd);
                runStart = j0;
                runEnd = j1;
            }
            bits = length + start >= 64 ? 0 : bits & ~(((std::uint64_t{1} << length) - 1) << start);
        }
    }
    if (runStart >= 0) f(runStart, runEnd);
}

struct StepJob {
    Field* field;
    StepTracking* t;
    const stepk::Kernels* kernels;
    stepk::RowTables tables;
    int checked;
    int gw, gh;
    int split;                        // worker 1 takes the bands from here on
    bool parallel;
    const std::int8_t* savedAbove;    // row y0(split) − 1 as it was, for worker 1
    const std::int8_t* savedBelow;    // row y0(split) as it was, for worker 0
    std::uint64_t* spillUp;           // worker 1's marks for band split − 1
    std::uint64_t* spillDown;         // worker 0's marks for band split
    bool spilledUp = false, spilledDown = false;
    std::int64_t populationChange[2] = {0, 0};
    int otherCodes[2] = {0, 0};
};

struct Worker {
    StepJob& job;
    int index;
    int bandBegin, bandEnd;
    std::int8_t* slots[2];
    std::uint64_t* all;
    std::uint64_t* first;
    std::uint64_t* last;
    std::uint32_t* counts;

    const std::int8_t* RowSource(int y) const {
        if (job.parallel) {
            const int splitRow = 1 + job.split * kBandHeight;
            if (index == 1 && y == splitRow - 1) return job.savedAbove;
            if (index == 0 && y == splitRow) return job.savedBelow;
        }
        return job.field->cells + static_cast<std::ptrdiff_t>(y) * job.gw;
    }

    const std::uint64_t* BandBits(int band) const {
        return job.t->active.data() + static_cast<std::ptrdiff_t>(band) * job.t->wordsPerBand;
    }

    void Copy(int band, std::int8_t* slot) const {
        const int gw = job.gw;
        const int y0 = 1 + band * kBandHeight;
        const int y1 = std::min(y0 + kBandHeight, job.gh - 1);
        ForEachRun(BandBits(band), job.t->wordsPerBand, [&](int j0, int j1) {
            const int xa = j0 * kTileWidth;  // one column left of the run
            const int xb = std::min(1 + j1 * kTileWidth, gw - 1) + 1;
            for (int y = y0 - 1; y <= y1; ++y)
                std::memcpy(slot + static_cast<std::ptrdiff_t>(y - y0 + 1) * gw + xa,
                            RowSource(y) + xa, static_cast<std::size_t>(xb - xa));
        });
    }

    std::uint64_t* MarksOf(int band) {
        StepTracking& t = *job.t;
        if (band < bandBegin) {
            job.spilledUp = true;
            return job.spillUp;
        }
        if (band >= bandEnd) {
            job.spilledDown = true;
            return job.spillDown;
        }
        t.nextBand[static_cast<std::size_t>(band)] = 1;
        return t.next.data() + static_cast<std::ptrdiff_t>(band) * t.wordsPerBand;
    }

    // Marks the tiles whose cells border the cells of tile (band, j) that just changed.
    void Mark(int band, int j, int width, std::uint64_t all, std::uint64_t first,
              std::uint64_t last) {
        const StepTracking& t = *job.t;
        const std::uint64_t right = std::uint64_t{1} << (width - 1);
        const auto markRow = [&](int b, std::uint64_t changed) {
            std::uint64_t* words = MarksOf(b);
            SetBit(words, j);
            if ((changed & 1) != 0 && j > 0) SetBit(words, j - 1);
            if ((changed & right) != 0 && j + 1 < t.tilesX) SetBit(words, j + 1);
        };
        if (all != 0) markRow(band, all);
        if (first != 0 && band > 0) markRow(band - 1, first);
        if (last != 0 && band + 1 < t.bands) markRow(band + 1, last);
    }

    void Compute(int band, const std::int8_t* slot) {
        StepTracking& t = *job.t;
        const int gw = job.gw;
        const int y0 = 1 + band * kBandHeight;
        const int y1 = std::min(y0 + kBandHeight, job.gh - 1);
        std::uint32_t* tilePopulation =
            t.tilePopulation.data() + static_cast<std::ptrdiff_t>(band) * t.tilesX;
        ForEachRun(BandBits(band), t.wordsPerBand, [&](int j0, int j1) {
            stepk::BandRun run{};
            run.source = slot;
            run.sourceStride = gw;
            run.out = job.field->cells + static_cast<std::ptrdiff_t>(y0) * gw;
            run.outStride = gw;
            run.rows = y1 - y0;
            run.x0 = 1 + j0 * kTileWidth;
            run.x1 = std::min(1 + j1 * kTileWidth, gw - 1);
            run.all = all + j0;
            run.first = first + j0;
            run.last = last + j0;
            run.pop = counts + j0;
            run.tables = &job.tables;
            run.checked = job.checked;
            job.otherCodes[index] |= job.kernels->band(run);
            for (int j = j0; j < j1; ++j) {
                job.populationChange[index] +=
                    static_cast<std::int64_t>(counts[j]) - tilePopulation[j];
                tilePopulation[j] = counts[j];
                if (all[j] != 0) {
                    const int width = std::min(kTileWidth, gw - 1 - (1 + j * kTileWidth));
                    Mark(band, j, width, all[j], first[j], last[j]);
                }
            }
        });
    }

    void Run() {
        const StepTracking& t = *job.t;
        int pending = -1;
        int slot = 0;
        for (int band = bandBegin; band < bandEnd; ++band) {
            if (t.activeBand[static_cast<std::size_t>(band)] == 0) continue;
            Copy(band, slots[slot]);
            if (pending >= 0) Compute(pending, slots[slot ^ 1]);
            pending = band;
            slot ^= 1;
        }
        if (pending >= 0) Compute(pending, slots[slot ^ 1]);
    }
};

void RunWorker(void* data, int index) {
    StepJob& job = *static_cast<StepJob*>(data);
    StepTracking& t = *job.t;
    const auto slotBytes = static_cast<std::ptrdiff_t>(kBandHeight + 2) * job.gw;
    std::int8_t* scratch = t.scratch.data() + 2 * slotBytes * index;
    const auto tiles = static_cast<std::ptrdiff_t>(t.tilesX);
    std::uint64_t* masks = t.masks.data() + 3 * tiles * index;
    Worker worker{job,
                  index,
                  index == 0 ? 0 : job.split,
                  index == 0 ? (job.parallel ? job.split : t.bands) : t.bands,
                  {scratch, scratch + slotBytes},
                  masks,
                  masks + tiles,
                  masks + 2 * tiles,
                  t.counts.data() + tiles * index};
    worker.Run();
}

bool Tracks(const Field& f) {
    const StepTracking& t = f.tracking;
    return t.valid && t.stamp == f.changeStamp && t.cells == f.cells &&
           t.gridWidth == f.gridWidth && t.gridHeight == f.gridHeight;
}

// Starts tracking afresh: every tile marked, no tile counted, the border counted.
void StartTracking(Field& f, const Rule& rule) {
    StepTracking& t = f.tracking;
    const int gw = f.gridWidth, gh = f.gridHeight;
    t.gridWidth = gw;
    t.gridHeight = gh;
    t.cells = f.cells;
    t.survivalTable = rule.survivalTable;
    t.birthTable = rule.birthTable;
    t.clean = false;
    t.tilesX = (gw - 2 + kTileWidth - 1) / kTileWidth;
    t.bands = (gh - 2 + kBandHeight - 1) / kBandHeight;
    t.wordsPerBand = (t.tilesX + 63) / 64;
    const auto words = static_cast<std::size_t>(t.bands) * t.wordsPerBand;
    t.active.assign(words, 0);
    t.next.assign(words, 0);
    for (int b = 0; b < t.bands; ++b)
        for (int j = 0; j < t.tilesX; ++j)
            SetBit(t.active.data() + static_cast<std::ptrdiff_t>(b) * t.wordsPerBand, j);
    t.activeBand.assign(static_cast<std::size_t>(t.bands), 1);
    t.nextBand.assign(static_cast<std::size_t>(t.bands), 0);
    t.tilePopulation.assign(static_cast<std::size_t>(t.bands) * t.tilesX, 0);
    t.scratch.resize(static_cast<std::size_t>(4 * (kBandHeight + 2) + 4) * gw);
    t.masks.resize(static_cast<std::size_t>(6) * t.tilesX + 2 * t.wordsPerBand);
    t.counts.resize(static_cast<std::size_t>(2) * t.tilesX);

    std::int64_t border = 0;
    const std::int8_t* p = f.cells;
    const std::int8_t* last = p + static_cast<std::ptrdiff_t>(gh - 1) * gw;
    for (int x = 0; x < gw; ++x) border += (p[x] != 0) + (last[x] != 0);
    for (int y = 1; y < gh - 1; ++y) {
        const std::int8_t* row = p + static_cast<std::ptrdiff_t>(y) * gw;
        border += (row[0] != 0) + (row[gw - 1] != 0);
    }
    t.borderPopulation = border;
    t.population = border;
    t.valid = true;
}

bool TablesAreZeroOne(const Rule& rule) {
    for (int s = 0; s < 9; ++s)
        if ((rule.birthTable[s] & ~1) != 0 || (rule.survivalTable[s] & ~1) != 0) return false;
    return true;
}

}  // namespace

void AdvanceGeneration(Field& field, const Rule& rule) {
    const int gw = field.gridWidth, gh = field.gridHeight;
    if (field.cells == nullptr || gw < 3 || gh < 3) return;  // no interior cell
    StepTracking& t = field.tracking;
    const bool incremental = Tracks(field) && t.survivalTable == rule.survivalTable &&
                             t.birthTable == rule.birthTable;
    if (!incremental) StartTracking(field, rule);

    StepJob job{};
    job.field = &field;
    job.t = &t;
    job.kernels = &Kernels();
    for (int s = 0; s < 16; ++s) {
        job.tables.birth[s] = static_cast<std::int8_t>(s < 9 ? rule.birthTable[s] : 0);
        job.tables.survival[s] = static_cast<std::int8_t>(s < 9 ? rule.survivalTable[s] : 0);
    }
    job.checked = t.clean ? 0 : 1;
    job.gw = gw;
    job.gh = gh;
    job.split = t.bands;

    // Two halves with about the same number of marked tiles, when there is enough work.
    std::int64_t marked = 0;
    for (int b = 0; b < t.bands; ++b) {
        if (t.activeBand[static_cast<std::size_t>(b)] == 0) continue;
        for (int w = 0; w < t.wordsPerBand; ++w)
            marked += std::popcount(t.active[static_cast<std::size_t>(b) * t.wordsPerBand + w]);
    }
    Helper* helper = nullptr;
    if (marked * kTileWidth * kBandHeight >= parallelCells && t.bands >= 2)
        helper = Helper::Get();
    if (helper != nullptr) {
        std::int64_t seen = 0;
        int split = 0;
        while (split < t.bands && seen * 2 < marked) {
            if (t.activeBand[static_cast<std::size_t>(split)] != 0)
                for (int w = 0; w < t.wordsPerBand; ++w)
                    seen += std::popcount(
                        t.active[static_cast<std::size_t>(split) * t.wordsPerBand + w]);
            ++split;
        }
        if (split > 0 && split < t.bands) {
            job.split = split;
            job.parallel = true;
            const auto slotBytes = static_cast<std::ptrdiff_t>(kBandHeight + 2) * gw;
            std::int8_t* saved = t.scratch.data() + 4 * slotBytes;
            const int splitRow = 1 + split * kBandHeight;
            std::memcpy(saved, field.cells + static_cast<std::ptrdiff_t>(splitRow - 1) * gw,
                        static_cast<std::size_t>(gw));
            std::memcpy(saved + gw, field.cells + static_cast<std::ptrdiff_t>(splitRow) * gw,
                        static_cast<std::size_t>(gw));
            job.savedAbove = saved;
            job.savedBelow = saved + gw;
            // The marks a worker makes in the other worker's band wait in words of their own.
            job.spillUp = t.masks.data() + 6 * static_cast<std::ptrdiff_t>(t.tilesX);
            job.spillDown = job.spillUp + t.wordsPerBand;
            std::fill_n(job.spillUp, 2 * t.wordsPerBand, 0);
        }
    }

    if (job.parallel) {
        helper->RunPair(RunWorker, &job);
        const auto merge = [&](int band, const std::uint64_t* words) {
            std::uint64_t* target =
                t.next.data() + static_cast<std::ptrdiff_t>(band) * t.wordsPerBand;
            for (int w = 0; w < t.wordsPerBand; ++w) target[w] |= words[w];
            t.nextBand[static_cast<std::size_t>(band)] = 1;
        };
        if (job.spilledUp) merge(job.split - 1, job.spillUp);
        if (job.spilledDown) merge(job.split, job.spillDown);
    } else {
        RunWorker(&job, 0);
    }

    // The marks become the work of the next step.
    for (int b = 0; b < t.bands; ++b) {
        if (t.activeBand[static_cast<std::size_t>(b)] == 0) continue;
        std::fill_n(t.active.data() + static_cast<std::ptrdiff_t>(b) * t.wordsPerBand,
                    t.wordsPerBand, 0);
        t.activeBand[static_cast<std::size_t>(b)] = 0;
    }
    t.active.swap(t.next);
    t.activeBand.swap(t.nextBand);
    t.population += job.populationChange[0] + job.populationChange[1];
    // After a whole-Field step without other codes the plane holds only 0 and 1, and steps with
    // tables of 0 and 1 keep it so: the checks can be left out until the next write.
    if (!incremental)
        t.clean = (job.otherCodes[0] | job.otherCodes[1]) == 0 && TablesAreZeroOne(rule);
    t.stamp = field.changeStamp;
}

std::int64_t CountLiveCells(const Field& field) {
    if (field.cells == nullptr) return 0;
    return Kernels().count(field.cells, static_cast<std::size_t>(field.planeSize));
}

std::int64_t LiveCellCount(const Field& field) {
    if (field.cells != nullptr && Tracks(field)) return field.tracking.population;
    return CountLiveCells(field);
}

void SetParallelStepCells(std::int64_t cells) { parallelCells = cells; }

const char* StepKernelName() { return Kernels().name; }

bool SelectStepKernels(const char* name) {
    const std::string_view wanted = name;
    if (wanted == "generic") {
        Kernels() = stepk::GenericKernels();
        return true;
    }
    if (wanted == "avx2") {
        const stepk::Kernels best = ChooseKernels();
        if (std::string_view(best.name) != "avx2") return false;
        Kernels() = best;
        return true;
    }
    return false;
}

}  // namespace gb
