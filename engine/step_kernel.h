// The inner loops of the bit-sliced step, compiled once per instruction set (step_kernel_*.cpp)
// and chosen at run time.
//
// A tile's next state comes from its 3 × 3 block of tiles: each row's three-cell horizontal sums
// are added with bitwise full adders, the three rows' sums likewise, giving the 3 × 3 count
// (the cell itself included) as four bit planes; the rule is a boolean function of those planes
// and the cell.
#pragma once

#include <cstdint>

namespace gb::stepk {

// The rule as terms of the 3 × 3 count k (cell included): the cell lives next when k matches a
// term and the term allows the cell's state (dead: birth with k neighbours; live: survival with
// k − 1).
struct RuleTerms {
    int count = 0;
    int k[10] = {};
    std::uint64_t flip[10] = {};  // all ones: only a dead cell qualifies
    std::uint64_t any[10] = {};   // all ones: either state qualifies
    bool life = false;            // exactly B3/S23: the kernels take a shorter path
};

// Four tiles side by side: tile columns 4 gx .. 4 gx + 3 of tile row ty.
struct GroupRef {
    std::int32_t gx;
    std::int32_t ty;
};

// What one tile computed and what the step must do about it.
struct TileRecord {
    std::int32_t tx;
    std::int32_t ty;
    std::uint8_t flags;
    std::uint16_t population;  // written: its live cells
};
inline constexpr std::uint8_t kWritten = 1;  // the new state differs from the one two back
inline constexpr std::uint8_t kChanged = 2;  // the new state differs from the current one
inline constexpr std::uint8_t kStored = 4;   // the tile was rewritten: population is its count

// The kernels see the grids only as their tile words (CellGrid's layout): they are built with
// other instruction sets and call nothing of the rest of the program.
struct Job {
    const std::uint64_t* from = nullptr;  // the current generation's tiles
    std::uint64_t* to = nullptr;          // holds the generation before; receives the next one
    int tilesX = 0;
    int tilesY = 0;
    RuleTerms rule;
    const std::uint64_t* columnMask =
        nullptr;  // per tile column (4 × groups): the interior's columns
    const std::uint64_t* rowMask = nullptr;  // per tile row, 16 words: the interior's rows
    const GroupRef* groups = nullptr;        // the groups of four tiles to compute
    int count = 0;
    // The step starts afresh: `to` holds no earlier generation (whatever it holds is rewritten
    // where it differs), and two generations back counts as empty.
    bool fresh = false;
};

// Computes the groups of the job, writes every tile whose new state differs from `to`'s (kStored,
// which outside a fresh start is kWritten), and puts a record for every tile with a flag set at
// out[written++] (room for 4 × job.count).
using StepTilesFn = void (*)(const Job& job, TileRecord* out, int& written);

struct Kernels {
    const char* name;
    StepTilesFn stepTiles;
};

Kernels GenericKernels();
#if defined(__x86_64__) || defined(_M_X64)
Kernels Avx2Kernels();
Kernels Avx512Kernels();
#endif

}  // namespace gb::stepk
