#include "core/engine/move.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/engine/cell_index.h"
#include "core/engine/extent.h"
#include "core/input_numbers.h"
#include "core/run.h"
#include "core/shell.h"

namespace gb {

void ShiftCells(Context& ctx, int dx, int dy) {
    CheckMemory(ctx);
    BusyScope busy(ctx);
    Field& f = ctx.field;
    const int gw = f.gridWidth;
    const int gh = f.gridHeight;
    std::int8_t* const p0 = f.plane0();
    std::int8_t* const p1 = f.plane1();
    // Source columns x whose target x + dx is interior (1 .. gw - 2); rows alike. In 64 bits so
    // any amount is safe.
    const std::int64_t x0 = std::max<std::int64_t>(0, std::int64_t{1} - dx);
    const std::int64_t x1 = std::min<std::int64_t>(gw - 1, std::int64_t{gw} - 2 - dx);
    const std::int64_t y0 = std::max<std::int64_t>(0, std::int64_t{1} - dy);
    const std::int64_t y1 = std::min<std::int64_t>(gh - 1, std::int64_t{gh} - 2 - dy);

    // The boxes of live tiles that land inside, moved to plane 1 at their targets; then plane 0
    // is cleared where it may hold cells and the boxes are copied back.
    ClearPlane1(f);
    std::vector<CellBox> moved;
    ForEachLiveBox(EnsureIndex(f), [&](CellBox box) {
        if (!ShrinkToCells(f, box)) return;  // nothing there to move
        const std::int64_t left = std::max<std::int64_t>(box.left, x0);
        const std::int64_t right = std::min<std::int64_t>(box.right, x1);
        const std::int64_t top = std::max<std::int64_t>(box.top, y0);
        const std::int64_t bottom = std::min<std::int64_t>(box.bottom, y1);
        if (left > right || top > bottom) return;
        const auto count = static_cast<std::size_t>(right - left + 1);
        for (std::int64_t y = top; y <= bottom; ++y)
            std::memcpy(p1 + (y + dy) * gw + (left + dx), p0 + y * gw + left, count);
        moved.push_back(CellBox{static_cast<int>(left + dx), static_cast<int>(top + dy),
                                static_cast<int>(right + dx), static_cast<int>(bottom + dy)});
        NotePlane1Box(f, moved.back());
    });
    ClearPlane0(f);
    for (const CellBox& box : moved) {
        const auto count = static_cast<std::size_t>(box.right - box.left + 1);
        for (int y = box.top; y <= box.bottom; ++y) {
            const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(y) * gw + box.left;
            std::memcpy(p0 + at, p1 + at, count);
        }
        NoteCellsWritten(f, box.left, box.top, box.right, box.bottom);
    }
    ++f.changeStamp;
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
