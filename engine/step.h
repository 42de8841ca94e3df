// The generation step.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/field.h"
#include "engine/rule.h"

namespace gb {

// One generation of the Field under the rule: every interior cell from its eight neighbours,
// the border dead. This is what the frame routine calls.
//
// The cells are bits; 64 × 16 tiles are computed with vector instructions chosen for the
// processor, on two threads for large steps, and only where the pattern can change: next to a
// tile that differs from two generations back or that was written since the last step (still
// lifes and period-two oscillators cost nothing).
void AdvanceGeneration(Field& field, const Rule& rule);

// The plain reference step on a byte per cell (w × h bytes of the grid, row-major, border
// included): every interior cell from a copy of the previous generation, in memory order. The
// fast step is checked against it.
void ReferenceStep(std::vector<std::int8_t>& cells, int w, int h, const Rule& rule);
// The Field's current generation as such bytes.
std::vector<std::int8_t> CellBytes(const Field& field);
// One generation of the Field by the reference step.
void StepGeneration(Field& field, const Rule& rule);

// The tiles (index ty × tilesX + tx of cells()) whose cells the last step changed, and those
// whose cells now differ from two generations back; `known` is false when the Field was written
// otherwise since the step before it, or the step started afresh, so that the lists cannot be
// trusted to be all.
struct StepChanges {
    bool known = false;
    const std::vector<std::int32_t>* tiles = nullptr;
    const std::vector<std::int32_t>* fromTwoBack = nullptr;
};
StepChanges LastStepChanges(const Field& field);
// The inner loops in use: "avx512", "avx2" or "generic". SelectStepKernels switches to the named
// set for tests and benchmarks; it returns false (and changes nothing) when the processor lacks it.
const char* StepKernelName();
bool SelectStepKernels(const char* name);
// The least number of cells to compute for which a step uses two threads (tests lower it; 0
// restores the usual number).
void SetParallelStepCells(std::int64_t cells);

}  // namespace gb
