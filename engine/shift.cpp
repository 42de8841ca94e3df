#include "engine/shift.h"

#include <cmath>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/step_state.h"

namespace gb {

// Builds the moved pattern in the step's other buffer and makes it the current generation; the
// step starts afresh after it.
void ShiftPlane(Field& f, int dx, int dy) {
    CellGrid& from = f.plane_[0];
    CellGrid& to = f.plane_[1];
    to.clear();
    to.orFrom(from, 0, 0, f.gridWidth - 1, f.gridHeight - 1, dx, dy, 1, 1, f.gridWidth - 2,
              f.gridHeight - 2);
    from.swap(to);
    f.step_->Forget();
}

std::optional<Shift> ExtentCentringShift(const Field& f) {
    const Extent e = FieldExtent(f);
    if (!e.found) return std::nullopt;
    const int mx = (e.left + e.right) / 2;
    const int my = (e.top + e.bottom) / 2;
    const int kx = f.gridWidth / 2 - mx;
    const int ky = f.gridHeight / 2 - my;
    // kx - 0.5 truncated toward zero.
    return Shift{kx > 0 ? kx - 1 : kx, ky > 0 ? ky - 1 : ky};
}

std::optional<Shift> CentroidCentringShift(const Field& f) {
    const int gw = f.gridWidth;
    const int gh = f.gridHeight;
    const CentroidSums sums = SumLiveCells(f);
    const double sx = sums.sumX, sy = sums.sumY, n = sums.count;
    if (n == 0) return std::nullopt;
    const float cx = static_cast<float>(sx / n + 0.5);
    const float cy = static_cast<float>(sy / n + 0.5);
    return Shift{-static_cast<int>(std::trunc(static_cast<double>(cx) - gw / 2.0)),
                 -static_cast<int>(std::trunc(static_cast<double>(cy) - gh / 2.0))};
}

}  // namespace gb
