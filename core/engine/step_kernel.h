// The inner loops of the fast step, one set per instruction set. Every set computes exactly what
// the reference step computes for each cell it is given; core/engine/step.cpp chooses one at run time.
//
// The files that build the vector sets are compiled with extra instruction-set flags, so this
// header holds only declarations, plain structs and `static` functions: nothing from here may end
// up as a shared inline definition that another file could pick up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gb::stepk {

inline constexpr int kTileWidth = 64;    // cells per tile column: one 64-bit change mask
inline constexpr int kMaxBandRows = 16;  // rows per band (one tile row)

// The rule's tables as the bytes the step stores.
struct RowTables {
    // Indexed by t + 16 c, where c is the cell (0 or 1) and t the sum of its 3 × 3 block, the cell
    // itself included: entries 0 .. 8 hold birth, 17 .. 25 survival, the rest 0.
    alignas(64) std::int8_t combined[64];
    std::int8_t birth9[16];     // by t for a dead cell (t = s)
    std::int8_t survival9[16];  // by t for a live cell (t = s + 1)
    std::int8_t birth[16];      // by s, the neighbours alone
    std::int8_t survival[16];
};

// One run of tiles of one band, computed in place in plane 0. The band is rows y0 .. y0 + rows − 1
// and the run columns x0 .. x1 − 1 (x0 = 1 + 64 × first tile, x1 at most gridWidth − 1); the run
// reads columns x0 − 1 .. x1. Every cell of the rows read holds 0 or 1 (the caller makes sure).
//
// The rows above and below the band are read from `above` and `below`, copies that hold them as
// they were before the step (other bands may already have written them). The rows of the band
// are read from plane 0 in order, each before it is written. sumA and sumB are work rows indexed
// by column: on entry they hold, when haveSums is set, the sums of three neighbouring cells
// (x − 1, x, x + 1) of the rows y0 − 1 and y0 over the run's columns; after the call the buffer
// that was sumB when `rows` is odd (sumA otherwise) holds those of the band's last row and the
// other those of the row below, so the band below can go on from them.
//
// Change masks, one 64-bit word per tile from the run's first (bit k = column x0 + 64 t + k):
// the band's first row's changes are ORed into first, the last row's into last and those of the
// rows between into all (a one-row band uses first only); the caller combines them.
struct RunJob {
    std::int8_t* cells;
    std::ptrdiff_t stride;
    int y0;
    int rows;
    const std::int8_t* above;
    const std::int8_t* below;
    int x0;
    int x1;
    std::int8_t* sumA;
    std::int8_t* sumB;
    bool haveSums;
    bool countLive;      // also count the run's live cells after the step into `live`
    bool zeroOneTables;  // the rule's tables give only 0 and 1
    std::uint64_t* all;
    std::uint64_t* first;
    std::uint64_t* last;
    const RowTables* tables;
    std::int64_t populationChange;  // out: live cells gained minus lost
    std::int64_t live;              // out, when countLive
};

using RunFunction = void (*)(RunJob& run);
// Counts the non-zero bytes of a block.
using CountFunction = std::int64_t (*)(const std::int8_t* bytes, std::size_t count);
// True when a byte of the block is neither 0 nor 1.
using OtherFunction = bool (*)(const std::int8_t* bytes, std::size_t count);

struct Kernels {
    RunFunction run;
    CountFunction count;
    OtherFunction other;
    const char* name;
};

Kernels GenericKernels();
#if defined(__x86_64__) || defined(_M_X64)
Kernels Avx2Kernels();
Kernels Avx512Kernels();
#endif

// The masks row r of a band ORs its changes into.
static inline std::uint64_t* RowMasks(const RunJob& run, int r) {
    if (r == 0) return run.first;
    return r == run.rows - 1 ? run.last : run.all;
}

// Counters of a run's cells, gathered by the loops of every set.
struct CellTotals {
    std::int64_t births = 0, changes = 0, live = 0;
};

// Columns xa .. xb − 1 of one row of a run, one cell at a time: down is the row below, a and b
// the work rows of the rows above and at the row (a gets the sums of `down`), masks the row's
// change masks. The sets use it where a vector does not fit.
static inline void ScalarRow(const RunJob& run, std::int8_t* row, const std::int8_t* down,
                             std::int8_t* a, const std::int8_t* b, std::uint64_t* masks, int xa,
                             int xb, CellTotals& totals) {
    const std::int8_t* table = run.tables->combined;
    for (int x = xa; x < xb; ++x) {
        const int n = down[x - 1] + down[x] + down[x + 1];
        const int c = row[x];
        const std::int8_t v = table[(a[x] + b[x] + n + 16 * c) & 63];
        a[x] = static_cast<std::int8_t>(n);
        totals.live += v != 0;
        if (v != c) {
            row[x] = v;
            const int k = x - run.x0;
            masks[k >> 6] |= std::uint64_t{1} << (k & 63);
            totals.births += v != 0;
            ++totals.changes;
        }
    }
}

// The sums of three of `from` over columns xa .. xb − 1, into `to`.
static inline void ScalarSums(std::int8_t* to, const std::int8_t* from, int xa, int xb) {
    for (int x = xa; x < xb; ++x)
        to[x] = static_cast<std::int8_t>(from[x - 1] + from[x] + from[x + 1]);
}

// A whole run one cell at a time, with the work rows as described at RunJob (swapped row by row
// exactly as the vector loops swap theirs).
static inline void ScalarColumns(RunJob& run, int xa, int xb) {
    std::int8_t* a = run.sumA;
    std::int8_t* b = run.sumB;
    if (!run.haveSums) {
        ScalarSums(a, run.above, xa, xb);
        ScalarSums(b, run.cells + static_cast<std::ptrdiff_t>(run.y0) * run.stride, xa, xb);
    }
    CellTotals totals;
    for (int r = 0; r < run.rows; ++r) {
        std::int8_t* row = run.cells + static_cast<std::ptrdiff_t>(run.y0 + r) * run.stride;
        const std::int8_t* down = r == run.rows - 1 ? run.below : row + run.stride;
        ScalarRow(run, row, down, a, b, RowMasks(run, r), xa, xb, totals);
        std::int8_t* swap = a;
        a = b;
        b = swap;
    }
    run.populationChange += 2 * totals.births - totals.changes;
    if (run.countLive) run.live += totals.live;
}

// The reference rule over columns xa .. xb − 1 of a band whose rows (with the row above and the
// row below) have been copied to `source` (rows + 2 rows of the given stride, indexed by column)
// and whose cells go to `out` (the band's first row in plane 0). For cells holding any code.
// Changes go to the masks as for a RunJob (bits from column x0), with all covering every row.
struct ExactBand {
    const std::int8_t* source;
    std::ptrdiff_t sourceStride;
    std::int8_t* out;
    std::ptrdiff_t outStride;
    int rows;
    int x0;
    const RowTables* tables;
    std::uint64_t* all;
    std::uint64_t* first;
    std::uint64_t* last;
    std::int64_t populationChange;
    std::int64_t live;
};

static inline void ReferenceColumns(ExactBand& band, int xa, int xb) {
    for (int r = 0; r < band.rows; ++r) {
        const std::int8_t* a = band.source + r * band.sourceStride;
        const std::int8_t* m = a + band.sourceStride;
        const std::int8_t* b = m + band.sourceStride;
        std::int8_t* out = band.out + r * band.outStride;
        for (int x = xa; x < xb; ++x) {
            const int s =
                a[x - 1] + a[x] + a[x + 1] + m[x - 1] + m[x + 1] + b[x - 1] + b[x] + b[x + 1];
            const int c = m[x];
            std::int8_t v = static_cast<std::int8_t>(c);
            if ((c == 0 || c == 1) && s >= 0 && s <= 8)
                v = c == 0 ? band.tables->birth[s] : band.tables->survival[s];
            band.live += v != 0;
            if (v != c) {
                out[x] = v;
                const int k = x - band.x0;
                const std::uint64_t bit = std::uint64_t{1} << (k & 63);
                band.all[k >> 6] |= bit;
                if (r == 0) band.first[k >> 6] |= bit;
                if (r == band.rows - 1) band.last[k >> 6] |= bit;
                band.populationChange += (v != 0) - (c != 0);
            }
        }
    }
}

}  // namespace gb::stepk
