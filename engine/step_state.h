// What the step remembers between generations (private to the engine).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "engine/step_kernel.h"

namespace gb {

// The Field keeps two buffers: the current generation and the one before it. For every tile not
// next to a tile in `dirty`, the other buffer already holds the tile's next state (a still life,
// or a period-two oscillator two generations on), so the step computes only the tiles next to
// `dirty` and the tiles written from outside since the last step (the grid's journal).
struct StepState {
    bool valid = false;  // the lists and the other buffer follow the rule below
    std::array<int, 9> survival{};
    std::array<int, 9> birth{};
    bool full = false;  // birth with no neighbour: every tile, every step
    stepk::RuleTerms terms;

    std::vector<std::int32_t> written;  // tiles whose state differs from two generations back
    std::vector<std::int32_t>
        dirty;  // and tiles that may: written from outside before the last step
    std::vector<std::int32_t> changed;  // tiles whose state differs from the generation before
    bool changesKnown = false;          // `changed` covers every change of the last step

    // Scratch, a bit per tile, and the interior masks of the current sizes.
    std::vector<std::uint64_t> activeBits;         // a bit per group of four tiles (step_kernel.h)
    std::vector<std::uint64_t> computedBits;       // a bit per tile: its group is computed
    std::vector<std::uint64_t> flatMarks;          // many marks by tile index
    std::vector<std::uint64_t> markRows, nearRow;  // the spread of many marks, row by row
    bool spread = false;                           // this step's groups came from markRows
    std::vector<std::int32_t> nextDirty, nextChanged, nextWritten;
    std::vector<stepk::GroupRef> active;
    std::vector<std::int32_t> journal;
    std::vector<stepk::TileRecord> records;
    std::vector<std::int32_t> lists;  // the chunks' lists of tiles (step.cpp)
    std::vector<std::uint64_t> columnMask, rowMask;
    int maskWidth = 0, maskHeight = 0;

    // The next step starts afresh: every tile with a cell and its neighbours are computed.
    void Forget() {
        valid = false;
        changesKnown = false;
        dirty.clear();
        changed.clear();
        written.clear();
    }
    // Forget, and give the memory back.
    void Release() { *this = StepState{}; }
};

}  // namespace gb
