#include "core/move.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "core/context.h"
#include "core/engine/step_state.h"
#include "core/engine/extent.h"
#include "core/input_numbers.h"
#include "core/run.h"
#include "core/shell.h"

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

void ShiftCells(Context& ctx, int dx, int dy) {
    CheckMemory(ctx);
    BusyScope busy(ctx);
    ShiftPlane(ctx.field, dx, dy);
}

void CentreByExtent(Context& ctx) {
    CheckMemory(ctx);
    const Field& f = ctx.field;
    const Extent e = FieldExtent(f);
    if (!e.found) return;  // nothing to move (the last frame's count was out of date)
    const int mx = (e.left + e.right) / 2;
    const int my = (e.top + e.bottom) / 2;
    const int kx = f.gridWidth / 2 - mx;
    const int ky = f.gridHeight / 2 - my;
    // kx - 0.5 truncated toward zero.
    const int dx = kx > 0 ? kx - 1 : kx;
    const int dy = ky > 0 ? ky - 1 : ky;
    ShiftCells(ctx, dx, dy);
    ctx.host.invalidateView();
}

void CentreByCentroid(Context& ctx) {
    CheckMemory(ctx);
    if (!HasLiveCells(ctx.field)) return;
    const Field& f = ctx.field;
    const int gw = f.gridWidth;
    const int gh = f.gridHeight;
    const CentroidSums sums = SumLiveCells(f);
    const double sx = sums.sumX, sy = sums.sumY, n = sums.count;
    // No cell equal to 1 although the last frame counted some: the mean is undefined, so leave
    // the Field as it is, as for an empty one.
    if (n == 0) return;
    const float cx = static_cast<float>(sx / n + 0.5);
    const float cy = static_cast<float>(sy / n + 0.5);
    const int dx = -static_cast<int>(std::trunc(static_cast<double>(cx) - gw / 2.0));
    const int dy = -static_cast<int>(std::trunc(static_cast<double>(cy) - gh / 2.0));
    ShiftCells(ctx, dx, dy);
    ctx.host.invalidateView();
}

namespace {

// True when text, read leniently and truncated toward zero, lies in 1 - size .. size - 1;
// otherwise shows the range box.
bool AmountInRange(Context& ctx, std::string_view text, int size) {
    const double value = std::trunc(LeadingNumber(text));
    const int low = 1 - size;
    const int high = size - 1;
    if (value >= low && value <= high) return true;
    ctx.shell.messageCaption = kAppName;
    AppMessageBox(ctx,
                  std::to_string(low) + "から" + std::to_string(high) +
                      "までの整数を入力してください。",
                  Icon::None);
    return false;
}

}  // namespace

AmountBox CheckMoveAmounts(Context& ctx, std::string_view horizontal, std::string_view vertical) {
    if (!AmountInRange(ctx, horizontal, ctx.field.fieldWidth)) return AmountBox::Horizontal;
    if (!AmountInRange(ctx, vertical, ctx.field.fieldHeight)) return AmountBox::Vertical;
    return AmountBox::None;
}

void MoveByAmount(Context& ctx, const MoveAmountRunner& runDialog) {
    PauseRun(ctx);
    if (const std::optional<std::pair<int, int>> amount = runDialog()) {
        ShiftCells(ctx, amount->first, amount->second);
        ctx.host.invalidateView();
    }
    ResumeRun(ctx);
}

}  // namespace gb
