#include "core/engine/step.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <string_view>
#include <system_error>
#include <thread>

#include "core/engine/cell_index.h"
#include "core/engine/step_kernel.h"

namespace gb {

void SaveGeneration(Field& field) {
    std::memcpy(field.plane1(), field.plane0(), static_cast<std::size_t>(field.planeSize));
    NotePlane1Written(field);
}

void StepGeneration(Field& field, const Rule& rule) {
    // It may write any cell: the fast step and the index of live tiles start afresh.
    NoteCellsChanged(field);
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
// The work is in place. A run of marked tiles of a band goes row by row from the top; each row
// reads the row below it (not yet written) and keeps the sums of three neighbouring cells of
// every row in two work rows, so each row of plane 0 is read before it is written and never
// after. What a band needs of the band above it, the old last row, is either still in the work
// rows (when the band above was just computed over the same columns) or in a copy of that row
// taken before the band above was written. Large steps cut the bands into chunks that the two
// threads take in turn; the two rows where neighbouring chunks meet are saved before any starts.
// The result never depends on how the work was split.
//
// A step after a write starts from the index of live tiles: every marked tile and its eight
// neighbours (every tile when the rule gives birth with no neighbour). The tiles a step computes
// are the only ones it writes, so they are added to the index.
//
// Until a whole-Field step has found only the codes 0 and 1, every run first looks for other
// codes; a run that has any is computed by the reference rule from a copy of its rows.

namespace {

using stepk::kTileWidth;
constexpr int kBandHeight = stepk::kMaxBandRows;
constexpr std::int64_t kDefaultParallelCells = std::int64_t{1} << 19;
// A step on two threads cuts the bands into this many chunks at most, of kChunkBands bands at
// least: small enough that when one thread is held up the other is seldom left waiting long.
constexpr int kMaxChunks = 64;
constexpr int kChunkBands = 4;
std::int64_t parallelCells = kDefaultParallelCells;  // fewer marked cells: one thread

stepk::Kernels ChooseKernels(bool widest = true) {
#if (defined(__x86_64__) || defined(_M_X64)) && (defined(__GNUC__) || defined(__clang__))
    __builtin_cpu_init();
    if (widest && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
        __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("popcnt"))
        return stepk::Avx512Kernels();
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        return stepk::Avx2Kernels();
#else
    (void)widest;
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

// One helper thread, started on first use, that shares the chunks of a large step with the
// calling thread. Each thread takes the next chunk not yet taken until none is left, so when the
// helper is slow to wake (a busy machine) the caller simply does more of them; the caller waits
// only for chunks the helper has actually taken. A chunk is taken by a compare-and-swap on one
// word holding the step's ticket, its chunk count and the next chunk, so a helper that wakes
// after its step is over takes nothing and touches none of its data.
class Helper {
public:
    using Job = void (*)(void* data, int worker, int chunk);

    // nullptr when the machine has one core or no thread can be started.
    static Helper* Get() {
        static Helper* helper = Make();
        return helper;
    }

    // Runs job(data, worker, c) once for every chunk c < chunks, here (worker 0) and on the
    // helper (worker 1); returns when all are done.
    void Run(Job job, void* data, int chunks) {
        job_ = job;
        data_ = data;
        const std::uint64_t ticket = ++ticket_;
        done_.store(0, std::memory_order_relaxed);
        claim_.store(Word(ticket, chunks, 0), std::memory_order_release);
        posted_.store(static_cast<std::uint32_t>(ticket), std::memory_order_release);
        posted_.notify_one();
        Work(0);
        for (int spin = 0;; ++spin) {
            const std::uint32_t seen = done_.load(std::memory_order_acquire);
            if (seen == static_cast<std::uint32_t>(chunks)) break;
            if (spin < kSpins)
                CpuRelax();
            else
                done_.wait(seen, std::memory_order_acquire);
        }
    }

private:
    static constexpr int kSpins = 2000;

    static std::uint64_t Word(std::uint64_t ticket, int chunks, int next) {
        return ticket << 32 | static_cast<std::uint64_t>(chunks) << 16 |
               static_cast<std::uint64_t>(next);
    }

    // Takes and runs chunks of the current step until none is left.
    void Work(int worker) {
        std::uint64_t word = claim_.load(std::memory_order_acquire);
        for (;;) {
            const int chunks = static_cast<int>(word >> 16 & 0xFFFF);
            const int next = static_cast<int>(word & 0xFFFF);
            if (next >= chunks) return;
            if (!claim_.compare_exchange_weak(word, word + 1, std::memory_order_acquire,
                                              std::memory_order_acquire))
                continue;  // word now holds the current value
            job_(data_, worker, next);
            done_.fetch_add(1, std::memory_order_release);
            done_.notify_one();
            word = claim_.load(std::memory_order_acquire);
        }
    }

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
        std::uint32_t seen = 0;
        for (;;) {
            for (int spin = 0; posted_.load(std::memory_order_acquire) == seen; ++spin) {
                if (spin < kSpins)
                    CpuRelax();
                else
                    posted_.wait(seen, std::memory_order_acquire);
            }
            seen = posted_.load(std::memory_order_acquire);
            Work(1);
        }
    }

    std::atomic<std::uint64_t> claim_{0};
    std::atomic<std::uint32_t> posted_{0};
    std::atomic<std::uint32_t> done_{0};
    std::uint64_t ticket_ = 0;  // the caller's own count
    Job job_ = nullptr;
    void* data_ = nullptr;
};

inline void SetBit(std::uint64_t* words, int j) { words[j >> 6] |= std::uint64_t{1} << (j & 63); }

// The bits j0 .. j1 − 1 of a word starting at bit 64 w, as a mask of that word.
inline std::uint64_t WordRange(int w, int j0, int j1) {
    const int lo = std::max(j0 - 64 * w, 0), hi = std::min(j1 - 64 * w, 64);
    if (hi <= lo) return 0;
    const std::uint64_t upTo = hi == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << hi) - 1;
    return upTo & ~((std::uint64_t{1} << lo) - 1);
}

// True when bits j0 .. j1 − 1 are all set.
bool AllSet(const std::uint64_t* words, int j0, int j1) {
    for (int w = j0 >> 6; w <= (j1 - 1) >> 6; ++w) {
        const std::uint64_t want = WordRange(w, j0, j1);
        if ((words[w] & want) != want) return false;
    }
    return true;
}

void SetRange(std::uint64_t* words, int j0, int j1) {
    for (int w = j0 >> 6; w <= (j1 - 1) >> 6; ++w) words[w] |= WordRange(w, j0, j1);
}

// Flags band `band` for the next step, noting it in worker `worker`'s list the first time.
inline void FlagNext(StepTracking& t, int band, int worker) {
    std::uint8_t& flag = t.nextBand[static_cast<std::size_t>(band)];
    if (flag != 0) return;
    flag = 1;
    t.nextBands[worker].push_back(band);
}

struct StepJob {
    Field* field;
    StepTracking* t;
    const stepk::Kernels* kernels;
    stepk::RowTables tables;
    bool checked;                     // cells may hold codes other than 0 and 1
    bool countLive;                   // count every live cell (a step over the whole Field)
    bool zeroOneTables;
    int gw, gh;
    // The bands in chunks: chunk c is bands chunkBegin[c] .. chunkBegin[c + 1] − 1. For every
    // chunk after the first, its first row and the row above it as they were before the step
    // (boundary + 2 (c − 1) · gw, one row each), and for every chunk the marks it makes in the
    // band above and the band below it (spill + 2 c · wordsPerBand, one band's words each).
    int chunks;
    int chunkBegin[kMaxChunks + 1];
    const std::int8_t* boundary;
    std::uint64_t* spill;
    bool spilledUp[kMaxChunks];
    bool spilledDown[kMaxChunks];
    std::int64_t populationChange[2] = {0, 0};
    std::int64_t live[2] = {0, 0};
    int otherCodes[2] = {0, 0};
};

// Bytes of StepTracking::scratch per worker, and words of StepTracking::masks.
// The four work and saved rows come first, each placed so that column 1 (where every tile run
// starts) falls on a 64-byte boundary; the copy of a band's rows follows.
std::ptrdiff_t RowBytes(int gw) { return (static_cast<std::ptrdiff_t>(gw) + 64 + 63) / 64 * 64; }
std::ptrdiff_t WorkerBytes(int gw) {
    return 4 * RowBytes(gw) + static_cast<std::ptrdiff_t>(kBandHeight + 2) * gw + 64;
}
std::ptrdiff_t WorkerWords(const StepTracking& t) {
    return 3 * std::ptrdiff_t{t.tilesX} + 5 * std::ptrdiff_t{t.wordsPerBand};
}

struct Worker {
    StepJob& job;
    int index;
    int chunk;
    int bandBegin, bandEnd;
    std::int8_t* sumA;  // work rows of sums of three
    std::int8_t* sumB;
    std::int8_t* saved[2];  // old last rows of bands, for the band below
    std::int8_t* copy;      // rows of a run that holds other codes
    std::uint64_t* all;
    std::uint64_t* first;
    std::uint64_t* last;
    std::uint64_t* sumsValid;  // tiles whose columns the work rows hold after band sumsBand
    std::uint64_t* sumsNext;
    std::uint64_t* markOwn;   // tiles of this band, the band above and the band below that the
    std::uint64_t* markUp;    // changes of the band being computed mark for the next step
    std::uint64_t* markDown;
    int sumsBand = -1;

    int Y0(int band) const { return 1 + band * kBandHeight; }
    int Y1(int band) const { return std::min(Y0(band) + kBandHeight, job.gh - 1); }
    int X0(int j) const { return 1 + j * kTileWidth; }
    int X1(int j) const { return std::min(1 + j * kTileWidth, job.gw - 1); }
    std::int8_t* Row(int y) const { return job.field->cells + static_cast<std::ptrdiff_t>(y) * job.gw; }
    bool Active(int band) const { return job.t->activeBand[static_cast<std::size_t>(band)] != 0; }

    const std::uint64_t* BandBits(int band) const {
        return job.t->active.data() + static_cast<std::ptrdiff_t>(band) * job.t->wordsPerBand;
    }

    // Before band `band` is written: copies its last row, as it is, where the band below will not
    // find it in the work rows.
    void SaveForNext(int band, std::int8_t* to) const {
        const std::int8_t* row = Row(Y1(band) - 1);
        ForEachBitRun(BandBits(band + 1), job.t->wordsPerBand, [&](int j0, int j1) {
            if (!job.checked && AllSet(BandBits(band), j0, j1)) return;
            const int xa = X0(j0) - 1, xb = X1(j1) + 1;
            std::memcpy(to + xa, row + xa, static_cast<std::size_t>(xb - xa));
        });
    }

    std::uint64_t* MarksOf(int band) {
        StepTracking& t = *job.t;
        if (band < bandBegin) {
            job.spilledUp[chunk] = true;
            return job.spill + 2 * std::ptrdiff_t{chunk} * t.wordsPerBand;
        }
        if (band >= bandEnd) {
            job.spilledDown[chunk] = true;
            return job.spill + (2 * std::ptrdiff_t{chunk} + 1) * t.wordsPerBand;
        }
        FlagNext(t, band, index);
        return t.next.data() + static_cast<std::ptrdiff_t>(band) * t.wordsPerBand;
    }

    // Notes in `words` tile j and those of its neighbours left and right that border the changed
    // cells of a tile `width` cells wide.
    void Note(std::uint64_t* words, int j, int width, std::uint64_t changed) const {
        SetBit(words, j);
        if ((changed & 1) != 0 && j > 0) SetBit(words, j - 1);
        if ((changed >> (width - 1) & 1) != 0 && j + 1 < job.t->tilesX) SetBit(words, j + 1);
    }

    // Adds the tiles noted in `words` to band `band`'s work for the next step.
    void Merge(int band, const std::uint64_t* words) {
        const int count = job.t->wordsPerBand;
        std::uint64_t any = 0;
        for (int w = 0; w < count; ++w) any |= words[w];
        if (any == 0) return;
        std::uint64_t* target = MarksOf(band);
        for (int w = 0; w < count; ++w) target[w] |= words[w];
    }

    // True when a cell the run reads holds a code other than 0 and 1.
    bool OtherCodes(const stepk::RunJob& run) const {
        const auto n = static_cast<std::size_t>(run.x1 - run.x0 + 2);
        if (job.kernels->other(run.above + run.x0 - 1, n)) return true;
        for (int y = run.y0; y < run.y0 + run.rows; ++y)
            if (job.kernels->other(Row(y) + run.x0 - 1, n)) return true;
        return job.kernels->other(run.below + run.x0 - 1, n);
    }

    // The reference rule for a run, from a copy of its rows.
    void Exact(stepk::RunJob& run) {
        const int gw = job.gw;
        const auto n = static_cast<std::size_t>(run.x1 - run.x0 + 2);
        const int xa = run.x0 - 1;
        std::memcpy(copy + xa, run.above + xa, n);
        for (int r = 0; r < run.rows; ++r)
            std::memcpy(copy + static_cast<std::ptrdiff_t>(r + 1) * gw + xa, Row(run.y0 + r) + xa, n);
        std::memcpy(copy + static_cast<std::ptrdiff_t>(run.rows + 1) * gw + xa, run.below + xa, n);
        stepk::ExactBand band{copy, gw, Row(run.y0), gw, run.rows, run.x0, run.tables,
                              run.all, run.first, run.last, 0, 0};
        stepk::ReferenceColumns(band, run.x0, run.x1);
        run.populationChange = band.populationChange;
        run.live = band.live;
    }

    // Computes tiles j0 .. j1 − 1 of the band whose rows `run` describes, by the kernels or,
    // when the run reads other codes, by the reference rule.
    void Compute(stepk::RunJob& run, int j0, int j1, bool carry) {
        std::fill(all + j0, all + j1, 0);
        std::fill(first + j0, first + j1, 0);
        std::fill(last + j0, last + j1, 0);
        run.x0 = X0(j0);
        run.x1 = X1(j1);
        run.haveSums = carry && AllSet(sumsValid, j0, j1);
        run.all = all + j0;
        run.first = first + j0;
        run.last = last + j0;
        run.populationChange = 0;
        run.live = 0;
        if (job.checked && OtherCodes(run)) {
            job.otherCodes[index] = 1;
            Exact(run);
        } else {
            job.kernels->run(run);
            SetRange(sumsNext, j0, j1);
        }
        job.populationChange[index] += run.populationChange;
        job.live[index] += run.live;
    }

    // Marks, for the next step, the tiles next to the cells of tiles j0 .. j1 − 1 that changed.
    void NoteChanges(int j0, int j1, int rows) {
        for (int j = j0; j < j1; ++j) {
            if (rows == 1) last[j] = first[j];
            const std::uint64_t any = all[j] | first[j] | last[j];
            if (any == 0) continue;
            const int width = std::min(kTileWidth, job.gw - 1 - X0(j));
            Note(markOwn, j, width, any);
            if (first[j] != 0) Note(markUp, j, width, first[j]);
            if (last[j] != 0) Note(markDown, j, width, last[j]);
        }
    }

    void Band(int band, const std::int8_t* above) {
        const int gw = job.gw;
        const int y0 = Y0(band), rows = Y1(band) - y0;
        const std::int8_t* below =
            band == bandEnd - 1 && chunk + 1 < job.chunks
                ? job.boundary + (2 * std::ptrdiff_t{chunk} + 1) * gw  // the next chunk's first row
                : Row(y0 + rows);
        const bool carry = sumsBand >= 0 && sumsBand == band - 1;
        std::fill_n(sumsNext, job.t->wordsPerBand, 0);
        std::fill_n(markOwn, 3 * job.t->wordsPerBand, 0);
        stepk::RunJob run{};
        run.cells = job.field->cells;
        run.stride = gw;
        run.y0 = y0;
        run.rows = rows;
        run.above = above;
        run.below = below;
        run.sumA = sumA;
        run.sumB = sumB;
        run.countLive = job.countLive;
        run.zeroOneTables = job.zeroOneTables;
        run.tables = &job.tables;
        ForEachBitRun(BandBits(band), job.t->wordsPerBand, [&](int j0, int j1) {
            Compute(run, j0, j1, carry);
            NoteChanges(j0, j1, rows);
        });
        Merge(band, markOwn);
        if (band > 0) Merge(band - 1, markUp);
        if (band + 1 < job.t->bands) Merge(band + 1, markDown);
        // Every run of the band swapped its work rows once per row.
        if ((rows & 1) != 0) std::swap(sumA, sumB);
        std::swap(sumsValid, sumsNext);
        sumsBand = band;
    }

    void Run() {
        int current = 0;
        const std::vector<int>& bands = job.t->activeBands;
        for (auto it = std::lower_bound(bands.begin(), bands.end(), bandBegin);
             it != bands.end() && *it < bandEnd; ++it) {
            const int band = *it;
            const std::int8_t* above;
            if (band == bandBegin)  // the border, or the row saved before the step
                above = chunk == 0 ? Row(0) : job.boundary + 2 * std::ptrdiff_t{chunk - 1} * job.gw;
            else if (Active(band - 1))
                above = saved[current];
            else
                above = Row(Y0(band) - 1);  // not computed: as it was
            if (band + 1 < bandEnd && Active(band + 1)) SaveForNext(band, saved[current ^ 1]);
            Band(band, above);
            current ^= 1;
        }
    }
};

void RunChunk(void* data, int index, int chunk) {
    StepJob& job = *static_cast<StepJob*>(data);
    StepTracking& t = *job.t;
    const int gw = job.gw;
    std::int8_t* bytes = t.scratch.data() + WorkerBytes(gw) * index;
    bytes += (63 - reinterpret_cast<std::uintptr_t>(bytes) % 64);  // bytes + 1 on a boundary
    const std::ptrdiff_t row = RowBytes(gw);
    std::uint64_t* words = t.masks.data() + WorkerWords(t) * index;
    const auto tiles = static_cast<std::ptrdiff_t>(t.tilesX);
    Worker worker{job,
                  index,
                  chunk,
                  job.chunkBegin[chunk],
                  job.chunkBegin[chunk + 1],
                  bytes,
                  bytes + row,
                  {bytes + 2 * row, bytes + 3 * row},
                  bytes + 4 * row,
                  words,
                  words + tiles,
                  words + 2 * tiles,
                  words + 3 * tiles,
                  words + 3 * tiles + t.wordsPerBand,
                  words + 3 * tiles + 2 * t.wordsPerBand,
                  words + 3 * tiles + 3 * t.wordsPerBand,
                  words + 3 * tiles + 4 * t.wordsPerBand};
    worker.Run();
}

bool Tracks(const Field& f) {
    const StepTracking& t = f.tracking;
    return t.valid && t.stamp == f.changeStamp && t.cells == f.cells &&
           t.gridWidth == f.gridWidth && t.gridHeight == f.gridHeight;
}

// Non-zero bytes of the border, looked for only in the live tiles that touch it.
std::int64_t BorderPopulation(const Field& f, const CellIndex& index) {
    const int gw = f.gridWidth, gh = f.gridHeight;
    const auto count = [&](int x0, int x1, int y) {
        std::int64_t n = 0;
        const std::int8_t* row = f.cells + static_cast<std::ptrdiff_t>(y) * gw;
        for (int x = x0; x <= x1; ++x) n += row[x] != 0;
        return n;
    };
    std::int64_t border = 0;
    ForEachLiveBox(index, [&](const CellBox& box) {
        if (box.top == 0) border += count(box.left, box.right, 0);
        if (box.bottom == gh - 1) border += count(box.left, box.right, gh - 1);
        const int y0 = std::max(box.top, 1), y1 = std::min(box.bottom, gh - 2);
        for (int y = y0; y <= y1; ++y) {
            const std::int8_t* row = f.cells + static_cast<std::ptrdiff_t>(y) * gw;
            if (box.left == 0) border += row[0] != 0;
            if (box.right == gw - 1) border += row[gw - 1] != 0;
        }
    });
    return border;
}

// Marks for the first step after a write: every live tile and its neighbours, or every tile
// when a cell with no live neighbour can be born.
void MarkFirstStep(StepTracking& t, const CellIndex& index, bool everywhere) {
    const int words = t.wordsPerBand;
    const auto flag = [&t](int b) {
        if (t.activeBand[static_cast<std::size_t>(b)] != 0) return;
        t.activeBand[static_cast<std::size_t>(b)] = 1;
        t.activeBands.push_back(b);
    };
    if (everywhere) {
        for (int b = 0; b < t.bands; ++b) {
            SetRange(t.active.data() + static_cast<std::ptrdiff_t>(b) * words, 0, t.tilesX);
            flag(b);
        }
        return;
    }
    const std::uint64_t lastWord = WordRange(words - 1, 0, t.tilesX);
    for (int b = index.lowBand; b <= index.highBand; ++b) {
        if (index.bandAny[static_cast<std::size_t>(b)] == 0) continue;
        const std::uint64_t* bits = index.Band(b);
        for (int nb = std::max(b - 1, 0); nb <= std::min(b + 1, t.bands - 1); ++nb) {
            std::uint64_t* to = t.active.data() + static_cast<std::ptrdiff_t>(nb) * words;
            std::uint64_t any = 0;
            for (int w = 0; w < words; ++w) {
                const std::uint64_t fromLeft = w > 0 ? bits[w - 1] >> 63 : 0;
                const std::uint64_t fromRight = w + 1 < words ? bits[w + 1] << 63 : 0;
                std::uint64_t m = bits[w] | bits[w] << 1 | bits[w] >> 1 | fromLeft | fromRight;
                if (w == words - 1) m &= lastWord;
                to[w] |= m;
                any |= m;
            }
            if (any != 0) flag(nb);
        }
    }
    std::sort(t.activeBands.begin(), t.activeBands.end());
}

// True when the Field looks mostly full: most of 64 tiles spread over it hold a cell in their
// first row. Such a Field is stepped whole without building its index first.
bool LooksDense(const Field& f) {
    const int tilesX = (f.gridWidth - 2 + kTileWidth - 1) / kTileWidth;
    const int bands = (f.gridHeight - 2 + kBandHeight - 1) / kBandHeight;
    constexpr int kSamples = 64;
    int full = 0;
    for (int k = 0; k < kSamples; ++k) {
        const int j = static_cast<int>(static_cast<std::int64_t>(k) * tilesX / kSamples);
        const int b = static_cast<int>(static_cast<std::int64_t>(k) * bands / kSamples);
        const int x0 = 1 + j * kTileWidth, x1 = std::min(x0 + kTileWidth, f.gridWidth - 1);
        const std::int8_t* row = f.cells + static_cast<std::ptrdiff_t>(1 + b * kBandHeight) * f.gridWidth;
        full += FirstNonZero(row + x0, x1 - x0) >= 0;
    }
    return 2 * full > kSamples;
}

// Non-zero bytes of the whole border.
std::int64_t WholeBorderPopulation(const Field& f) {
    const int gw = f.gridWidth, gh = f.gridHeight;
    std::int64_t border = 0;
    const std::int8_t* p = f.cells;
    const std::int8_t* last = p + static_cast<std::ptrdiff_t>(gh - 1) * gw;
    for (int x = 0; x < gw; ++x) border += (p[x] != 0) + (last[x] != 0);
    for (int y = 1; y < gh - 1; ++y) {
        const std::int8_t* row = p + static_cast<std::ptrdiff_t>(y) * gw;
        border += (row[0] != 0) + (row[gw - 1] != 0);
    }
    return border;
}

// Starts tracking afresh: the tiles near live ones marked, the border counted. After a write
// that did not say where, a Field that looks full is stepped whole (its index then being every
// tile) instead of scanning it for its live tiles first.
void StartTracking(Field& f, const Rule& rule) {
    StepTracking& t = f.tracking;
    const int gw = f.gridWidth, gh = f.gridHeight;
    const CellIndex& known = f.index;
    const bool indexed = known.known && known.cells == f.cells && known.gridWidth == gw &&
                         known.gridHeight == gh;
    const bool everywhere = rule.birthTable[0] != 0 || (!indexed && LooksDense(f));
    if (!indexed && everywhere) ResetIndex(f);  // the step marks every tile it computes
    const CellIndex& index = EnsureIndex(f);
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
    t.activeBand.assign(static_cast<std::size_t>(t.bands), 0);
    t.nextBand.assign(static_cast<std::size_t>(t.bands), 0);
    t.activeBands.clear();
    t.activeBands.reserve(static_cast<std::size_t>(t.bands));
    for (std::vector<int>& list : t.nextBands) {
        list.clear();
        list.reserve(static_cast<std::size_t>(t.bands));
    }
    MarkFirstStep(t, index, everywhere);
    t.scratch.assign(static_cast<std::size_t>(2 * WorkerBytes(gw) + 2 * (kMaxChunks - 1) * gw), 0);
    t.masks.assign(static_cast<std::size_t>(2 * WorkerWords(t) + 2 * kMaxChunks * t.wordsPerBand), 0);

    t.borderPopulation = indexed || !everywhere ? BorderPopulation(f, index) : WholeBorderPopulation(f);
    t.population = t.borderPopulation;
    t.valid = true;
}

bool TablesAreZeroOne(const Rule& rule) {
    for (int s = 0; s < 9; ++s)
        if ((rule.birthTable[s] & ~1) != 0 || (rule.survivalTable[s] & ~1) != 0) return false;
    return true;
}

void FillTables(stepk::RowTables& t, const Rule& rule) {
    std::memset(&t, 0, sizeof t);
    for (int s = 0; s < 9; ++s) {
        const auto birth = static_cast<std::int8_t>(rule.birthTable[static_cast<std::size_t>(s)]);
        const auto survival =
            static_cast<std::int8_t>(rule.survivalTable[static_cast<std::size_t>(s)]);
        t.combined[s] = birth;
        t.combined[16 + s + 1] = survival;
        t.birth9[s] = birth;
        t.survival9[s + 1] = survival;
        t.birth[s] = birth;
        t.survival[s] = survival;
    }
}

}  // namespace

namespace {

std::int64_t MarkedTiles(const StepTracking& t) {
    std::int64_t marked = 0;
    for (const int b : t.activeBands)
        for (int w = 0; w < t.wordsPerBand; ++w)
            marked += std::popcount(t.active[static_cast<std::size_t>(b) * t.wordsPerBand + w]);
    return marked;
}

// Cuts the bands into chunks with about the same number of marked tiles each.
void PlanChunks(StepJob& job, std::int64_t marked) {
    const StepTracking& t = *job.t;
    const int wanted = std::clamp(t.bands / kChunkBands, 2, kMaxChunks);
    std::int64_t seen = 0;
    int chunks = 0;
    for (int b = 0; b < t.bands; ++b) {
        // A chunk starts at band b once the chunks before hold their share of the tiles.
        if (b > 0 && chunks < wanted && seen * wanted >= marked * chunks)
            job.chunkBegin[chunks++] = b;
        else if (b == 0)
            job.chunkBegin[chunks++] = 0;
        if (t.activeBand[static_cast<std::size_t>(b)] != 0)
            for (int w = 0; w < t.wordsPerBand; ++w)
                seen += std::popcount(t.active[static_cast<std::size_t>(b) * t.wordsPerBand + w]);
    }
    job.chunks = chunks;
    job.chunkBegin[chunks] = t.bands;
}

// Runs the chunks on both threads, then adds the marks they made in their neighbours' bands.
void RunChunks(StepJob& job, Helper& helper) {
    StepTracking& t = *job.t;
    const int gw = job.gw;
    std::int8_t* boundary = t.scratch.data() + 2 * WorkerBytes(gw);
    for (int c = 1; c < job.chunks; ++c) {
        const int firstRow = 1 + job.chunkBegin[c] * kBandHeight;
        std::memcpy(boundary + 2 * std::ptrdiff_t{c - 1} * gw,
                    job.field->cells + static_cast<std::ptrdiff_t>(firstRow - 1) * gw,
                    static_cast<std::size_t>(2) * gw);
    }
    job.boundary = boundary;
    job.spill = t.masks.data() + 2 * WorkerWords(t);
    std::fill_n(job.spill, 2 * std::ptrdiff_t{job.chunks} * t.wordsPerBand, 0);
    helper.Run(RunChunk, &job, job.chunks);
    const auto merge = [&](int band, const std::uint64_t* words) {
        std::uint64_t* target = t.next.data() + static_cast<std::ptrdiff_t>(band) * t.wordsPerBand;
        for (int w = 0; w < t.wordsPerBand; ++w) target[w] |= words[w];
        FlagNext(t, band, 0);
    };
    for (int c = 0; c < job.chunks; ++c) {
        const std::uint64_t* words = job.spill + 2 * std::ptrdiff_t{c} * t.wordsPerBand;
        if (job.spilledUp[c]) merge(job.chunkBegin[c] - 1, words);
        if (job.spilledDown[c]) merge(job.chunkBegin[c + 1], words + t.wordsPerBand);
    }
}

// The tiles just computed join the index of live tiles (they are the only ones written); the
// marks become the work of the next step.
void FinishMarks(Field& field) {
    StepTracking& t = field.tracking;
    CellIndex& index = field.index;
    const bool keepIndex = index.known && index.cells == field.cells &&
                           index.gridWidth == field.gridWidth &&
                           index.gridHeight == field.gridHeight && index.wordsPerBand == t.wordsPerBand;
    for (const int b : t.activeBands) {
        std::uint64_t* words = t.active.data() + static_cast<std::ptrdiff_t>(b) * t.wordsPerBand;
        if (keepIndex) {
            std::uint64_t* to = index.bits.data() + static_cast<std::ptrdiff_t>(b) * t.wordsPerBand;
            for (int w = 0; w < t.wordsPerBand; ++w) to[w] |= words[w];
            index.bandAny[static_cast<std::size_t>(b)] = 1;
            index.lowBand = std::min(index.lowBand, b);
            index.highBand = std::max(index.highBand, b);
        }
        std::fill_n(words, t.wordsPerBand, 0);
        t.activeBand[static_cast<std::size_t>(b)] = 0;
    }
    t.active.swap(t.next);
    t.activeBand.swap(t.nextBand);
    t.activeBands.swap(t.nextBands[0]);
    t.activeBands.insert(t.activeBands.end(), t.nextBands[1].begin(), t.nextBands[1].end());
    std::sort(t.activeBands.begin(), t.activeBands.end());
    t.nextBands[0].clear();
    t.nextBands[1].clear();
}

}  // namespace

void AdvanceGeneration(Field& field, const Rule& rule) {
    const int gw = field.gridWidth, gh = field.gridHeight;
    if (field.cells == nullptr || gw < 3 || gh < 3) return;  // no interior cell
    StepTracking& t = field.tracking;
    const bool incremental = Tracks(field) && t.survivalTable == rule.survivalTable &&
                             t.birthTable == rule.birthTable;
    if (!incremental) StartTracking(field, rule);
    t.scanValid = false;  // the step writes the plane without a new stamp

    StepJob job{};
    job.field = &field;
    job.t = &t;
    job.kernels = &Kernels();
    FillTables(job.tables, rule);
    job.checked = !t.clean;
    job.countLive = !incremental;
    job.zeroOneTables = TablesAreZeroOne(rule);
    job.gw = gw;
    job.gh = gh;
    job.chunks = 1;
    job.chunkBegin[0] = 0;
    job.chunkBegin[1] = t.bands;

    // On two threads when there is enough work.
    const std::int64_t marked = MarkedTiles(t);
    Helper* helper = nullptr;
    if (marked * kTileWidth * kBandHeight >= parallelCells && t.bands >= 2)
        helper = Helper::Get();
    if (helper != nullptr) PlanChunks(job, marked);
    if (job.chunks > 1)
        RunChunks(job, *helper);
    else
        RunChunk(&job, 0, 0);
    FinishMarks(field);

    if (job.countLive)
        t.population = t.borderPopulation + job.live[0] + job.live[1];
    else
        t.population += job.populationChange[0] + job.populationChange[1];
    // After a whole-Field step without other codes the plane holds only 0 and 1, and steps with
    // tables of 0 and 1 keep it so: the checks can be left out until the next write.
    if (!incremental)
        t.clean = (job.otherCodes[0] | job.otherCodes[1]) == 0 && TablesAreZeroOne(rule);
    t.stamp = field.changeStamp;
}

std::int64_t CountLiveCells(const Field& field) {
    if (field.cells == nullptr) return 0;
    const int gw = field.gridWidth;
    const stepk::Kernels& kernels = Kernels();
    std::int64_t n = 0;
    ForEachLiveBox(EnsureIndex(field), [&](const CellBox& box) {
        const auto width = static_cast<std::size_t>(box.right - box.left + 1);
        for (int y = box.top; y <= box.bottom; ++y)
            n += kernels.count(field.cells + static_cast<std::ptrdiff_t>(y) * gw + box.left, width);
    });
    return n;
}

std::int64_t LiveCellCount(const Field& field) {
    if (field.cells == nullptr) return 0;
    const StepTracking& t = field.tracking;
    if (Tracks(field)) return t.population;
    if (t.scanValid && t.scanStamp == field.changeStamp && t.scanCells == field.cells &&
        t.scanPlaneSize == field.planeSize)
        return t.scanPopulation;
    t.scanPopulation = CountLiveCells(field);
    t.scanStamp = field.changeStamp;
    t.scanCells = field.cells;
    t.scanPlaneSize = field.planeSize;
    t.scanValid = true;
    return t.scanPopulation;
}

void SetParallelStepCells(std::int64_t cells) {
    parallelCells = cells > 0 ? cells : kDefaultParallelCells;
}

const char* StepKernelName() { return Kernels().name; }

bool SelectStepKernels(const char* name) {
    const std::string_view wanted = name;
    stepk::Kernels chosen = stepk::GenericKernels();
    if (wanted == "avx512" || wanted == "avx2") {
        chosen = ChooseKernels(wanted == "avx512");
        if (std::string_view(chosen.name) != wanted) return false;
    } else if (wanted != "generic") {
        return false;
    }
    Kernels() = chosen;
    return true;
}

}  // namespace gb
