// The inner loops of the fast step, one set per instruction set. Every set computes exactly what
// the reference step computes for each cell it is given; core/step.cpp chooses one at run time.
//
// The files that build the vector sets are compiled with extra instruction-set flags, so this
// header holds only declarations, plain structs and `static` functions: nothing from here may end
// up as a shared inline definition that another file could pick up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gb::stepk {

inline constexpr int kTileWidth = 64;    // cells per tile column: one 64-bit change mask
inline constexpr int kMaxBandRows = 16;  // rows per band at most (byte counters hold 16 rows)

// The rule's tables as the bytes the step stores (entry s for s live neighbours), padded to 16.
struct RowTables {
    std::int8_t birth[16];
    std::int8_t survival[16];
};

// One band of rows of one run of tiles. source holds the generation before the step: its row 0
// is the row above the band, rows 1 .. rows the band itself and row rows + 1 the row below; every
// row is indexed by column, so columns x0 − 1 .. x1 are read. out is the band's first row in
// plane 0. The run's cells x0 .. x1 − 1 (x0 = 1 + 64 × first tile, x1 at most gridWidth − 1) are
// grouped in tiles of 64 from x0, the last possibly shorter. For tile t the function sets all[t]
// to the bits of the columns where any cell changed (bit k = column x0 + 64 t + k), first[t] and
// last[t] to those of the band's first and last row, and pop[t] to the non-zero new cells.
struct BandRun {
    const std::int8_t* source;
    std::ptrdiff_t sourceStride;
    std::int8_t* out;
    std::ptrdiff_t outStride;
    int rows;
    int x0;
    int x1;
    std::uint64_t* all;
    std::uint64_t* first;
    std::uint64_t* last;
    std::uint32_t* pop;
    const RowTables* tables;
    int checked;  // 1: cells may hold codes other than 0 and 1
};

// Computes one BandRun. Returns 1 when it met a code other than 0 or 1 (only looked for when
// checked), else 0.
using BandFunction = int (*)(const BandRun& run);
// Counts the non-zero bytes of a block.
using CountFunction = std::int64_t (*)(const std::int8_t* bytes, std::size_t count);

struct Kernels {
    BandFunction band;
    CountFunction count;
    const char* name;
};

Kernels GenericKernels();
#if defined(__x86_64__) || defined(_M_X64)
Kernels Avx2Kernels();
#endif

// The reference rule for columns xa .. xb − 1 of a BandRun (xa the first column of tile t0),
// with its masks and counts. Returns 1 when it met a code other than 0 or 1. Shared by every set
// for tiles that hold other codes.
static inline int ReferenceBand(const BandRun& run, int xa, int xb, int t0) {
    const int tiles = (xb - xa + kTileWidth - 1) / kTileWidth;
    for (int t = t0; t < t0 + tiles; ++t) {
        run.all[t] = run.first[t] = run.last[t] = 0;
        run.pop[t] = 0;
    }
    int other = 0;
    for (int r = 0; r < run.rows; ++r) {
        const std::int8_t* a = run.source + r * run.sourceStride;
        const std::int8_t* m = a + run.sourceStride;
        const std::int8_t* b = m + run.sourceStride;
        std::int8_t* out = run.out + r * run.outStride;
        for (int x = xa - 1; x <= xb; ++x) other |= (a[x] | m[x] | b[x]) & ~1;
        for (int x = xa; x < xb; ++x) {
            const int s =
                a[x - 1] + a[x] + a[x + 1] + m[x - 1] + m[x + 1] + b[x - 1] + b[x] + b[x + 1];
            const int c = m[x];
            std::int8_t v = static_cast<std::int8_t>(c);
            if ((c == 0 || c == 1) && s >= 0 && s <= 8)
                v = c == 0 ? run.tables->birth[s] : run.tables->survival[s];
            const int t = t0 + (x - xa) / kTileWidth;
            const std::uint64_t bit = std::uint64_t{1} << ((x - xa) % kTileWidth);
            if (v != c) {
                out[x] = v;
                run.all[t] |= bit;
                if (r == 0) run.first[t] |= bit;
                if (r == run.rows - 1) run.last[t] |= bit;
            }
            run.pop[t] += v != 0 ? 1u : 0u;
        }
    }
    return other != 0 ? 1 : 0;
}

}  // namespace gb::stepk
