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

inline constexpr int kTileWidth = 64;  // cells per tile column: one 64-bit change mask

// The rule's tables as the bytes the step stores (entry s for s live neighbours), padded to 16.
struct RowTables {
    std::int8_t birth[16];
    std::int8_t survival[16];
};

// One row's cells x0 .. x1 - 1 (x0 = 1 + 64 × first tile, x1 at most gridWidth − 1). The three
// source rows hold the generation before the step and are indexed by column, so above[x0 − 1]
// to above[x1] are read; out is the row of plane 0 being written. The cells are grouped in tiles
// of 64 from x0 (the last may be shorter): for tile t, mask[t] gets the bits of the cells that
// changed ORed in (bit k = column x0 + 64 t + k) and pop[t] the number of non-zero new cells.
struct RowRun {
    const std::int8_t* above;
    const std::int8_t* row;
    const std::int8_t* below;
    std::int8_t* out;
    int x0;
    int x1;
    std::uint64_t* mask;
    std::uint32_t* pop;
    const RowTables* tables;
    int checked;  // 1: cells may hold codes other than 0 and 1
};

// Computes one RowRun. Returns 1 when it met a code other than 0 or 1 (only looked for when
// checked), else 0.
using RowFunction = int (*)(const RowRun& run);
// Counts the non-zero bytes of a block.
using CountFunction = std::int64_t (*)(const std::int8_t* bytes, std::size_t count);

struct Kernels {
    RowFunction row;
    CountFunction count;
    const char* name;
};

Kernels GenericKernels();
#if defined(__x86_64__) || defined(_M_X64)
Kernels Avx2Kernels();
#endif

// The reference rule for cells x0 .. x1 - 1 of a row, with the masks and counts of a RowRun
// whose tiles start at tileX0. Shared by every set for rows that hold other codes.
static inline void ReferenceCells(const RowRun& run, int x0, int x1, int tileX0) {
    const std::int8_t* a = run.above;
    const std::int8_t* r = run.row;
    const std::int8_t* b = run.below;
    for (int x = x0; x < x1; ++x) {
        const int s = a[x - 1] + a[x] + a[x + 1] + r[x - 1] + r[x + 1] + b[x - 1] + b[x] + b[x + 1];
        const int c = r[x];
        std::int8_t v = static_cast<std::int8_t>(c);
        if ((c == 0 || c == 1) && s >= 0 && s <= 8)
            v = c == 0 ? run.tables->birth[s] : run.tables->survival[s];
        const int t = (x - tileX0) / kTileWidth;
        const int k = (x - tileX0) % kTileWidth;
        if (v != c) {
            run.out[x] = v;
            run.mask[t] |= std::uint64_t{1} << k;
        }
        run.pop[t] += v != 0 ? 1u : 0u;
    }
}

}  // namespace gb::stepk
