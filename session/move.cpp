#include "session/move.h"

#include <cmath>
#include <string>

#include "engine/shift.h"
#include "session/context.h"
#include "session/input_numbers.h"
#include "session/run.h"
#include "session/shell.h"

namespace gb {

void ShiftCells(Context& ctx, int dx, int dy) {
    CheckMemory(ctx);
    BusyScope busy(ctx);
    ShiftPlane(ctx.field, dx, dy);
}

void CentreByExtent(Context& ctx) {
    CheckMemory(ctx);
    // Nothing to move when no cell lives (the last frame's count was out of date).
    const std::optional<Shift> shift = ExtentCentringShift(ctx.field);
    if (!shift) return;
    ShiftCells(ctx, shift->dx, shift->dy);
    ctx.host.invalidateView();
}

void CentreByCentroid(Context& ctx) {
    CheckMemory(ctx);
    if (!HasLiveCells(ctx.view)) return;
    // No live cell although the last frame counted some: the mean is undefined, so leave the
    // Field as it is, as for an empty one.
    const std::optional<Shift> shift = CentroidCentringShift(ctx.field);
    if (!shift) return;
    ShiftCells(ctx, shift->dx, shift->dy);
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
    AppMessageBox(
        ctx, std::to_string(low) + "から" + std::to_string(high) + "までの整数を入力してください。",
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
