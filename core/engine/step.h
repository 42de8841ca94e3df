// The generation step: plane 0 advances one generation, reading the previous one from plane 1.
#pragma once

#include "core/engine/field.h"
#include "core/engine/rule.h"

namespace gb {

// Copies all of plane 0 into plane 1, border included.
void SaveGeneration(Field& field);

// Computes the next generation into plane 0 from plane 1, cell by cell in memory order. This is
// the plain reference step; faster steps are checked against it. It counts as a write of
// unknown extent (NoteCellsChanged).
void StepGeneration(Field& field, const Rule& rule);

// One generation: what SaveGeneration followed by StepGeneration gives in plane 0. This is what
// the frame routine calls; plane 1 is not touched.
//
// It works in place on plane 0 with vector instructions chosen for the processor, on two threads
// for large Fields, and computes only the tiles of the Field next to cells that changed in the
// previous generation (so a sparse pattern costs its live area). Writers of plane 0 other than
// the step say so (Field::setCell, NoteCellWritten, NoteCellsWritten, NoteCellsChanged,
// ClearCells); the step after such a write computes every tile the index of live tiles marks
// and their neighbours.
void AdvanceGeneration(Field& field, const Rule& rule);

// Number of non-zero bytes of plane 0, border included, by a scan of the tiles the index marks.
std::int64_t CountLiveCells(const Field& field);

// The same number, cheaply: the count the last AdvanceGeneration kept when nothing has written
// plane 0 since, else the count of the last scan when nothing has written it since that, else a
// new scan.
std::int64_t LiveCellCount(const Field& field);

// The inner loops in use: "avx512", "avx2" or "generic". SelectStepKernels switches to the named
// set for tests and benchmarks; it returns false (and changes nothing) when the processor lacks it.
const char* StepKernelName();
bool SelectStepKernels(const char* name);
// The least number of cells in marked tiles for which a step uses two threads (tests lower it;
// 0 restores the usual number).
void SetParallelStepCells(std::int64_t cells);

}  // namespace gb
