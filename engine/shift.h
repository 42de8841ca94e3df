// Moving the pattern: a shift of the current generation and the shifts that centre it.
#pragma once

#include <optional>

namespace gb {

struct Field;

// Moves every cell of the current generation by (dx, dy); cells landing on the border or
// outside are lost. Uses the step's other buffer as scratch; the step starts afresh after it.
void ShiftPlane(Field& field, int dx, int dy);

struct Shift {
    int dx = 0;
    int dy = 0;
};

// The shift that puts the middle of the pattern's extent at the field centre; nothing when no
// cell lives.
std::optional<Shift> ExtentCentringShift(const Field& field);
// The shift that puts the centroid of the live cells at the field centre; nothing when no cell
// lives.
std::optional<Shift> CentroidCentringShift(const Field& field);

}  // namespace gb
