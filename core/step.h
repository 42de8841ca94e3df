// The generation step: plane 0 advances one generation, reading the previous one from plane 1.
#pragma once

#include "core/field.h"
#include "core/rule.h"

namespace gb {

// Copies all of plane 0 into plane 1, border included.
void SaveGeneration(Field& field);

// Computes the next generation into plane 0 from plane 1, cell by cell in memory order. This is
// the plain reference step; faster steps are checked against it.
void StepGeneration(Field& field, const Rule& rule);

// One generation: what SaveGeneration followed by StepGeneration gives in plane 0. This is what
// the frame routine calls; plane 1 holds nothing of meaning afterwards.
void AdvanceGeneration(Field& field, const Rule& rule);

}  // namespace gb
