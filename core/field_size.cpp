#include "core/field_size.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/format_number.h"
#include "core/input_numbers.h"
#include "core/run.h"
#include "core/shell.h"

namespace gb {

std::string TotalCellsLine(double total) {
    return "総セル数   " + FormatThousands(total) + "   " + FormatExponent3(total);
}

TotalCellsUpdate ShowTotalCells(Context& ctx, std::string_view width, std::string_view height) {
    TotalCellsUpdate update;
    const auto commaIn = [&](std::string_view text, SizeBox box, int size) {
        if (text.find(',') == std::string_view::npos) return false;
        ViewMessageBox(ctx, kAppName, "入力値に\",\"は使用しないでください。", Icon::Exclamation);
        update.reset = box;
        update.resetText = std::to_string(size);
        return true;
    };
    if (commaIn(width, SizeBox::Width, ctx.field.fieldWidth)) return update;
    if (commaIn(height, SizeBox::Height, ctx.field.fieldHeight)) return update;
    update.line = TotalCellsLine(LeadingNumber(width) * LeadingNumber(height));
    return update;
}

FieldSizeCheck CheckFieldSizeOnOk(Context& ctx, std::string_view width, std::string_view height) {
    FieldSizeCheck check;
    const std::int64_t w = LeadingInteger(width);
    const std::int64_t h = LeadingInteger(height);
    const auto tooSmall = [&](SizeBox box) {
        ViewMessageBox(ctx, kAppName, "1 以上の整数を入力してください。", Icon::Exclamation);
        check.focus = box;
        return check;
    };
    if (w < 1) return tooSmall(SizeBox::Width);
    if (h < 1) return tooSmall(SizeBox::Height);
    const Field& f = ctx.field;
    if (w == f.fieldWidth && h == f.fieldHeight) {
        check.accept = true;
        return check;
    }
    if (LeadingNumber(width) * LeadingNumber(height) > kLargeFieldCells) {
        const Button answer = ViewMessageBox(
            ctx, kAppName,
            "フィールドが大きすぎると、メモリ使用量が大きくなり、動作も遅くなります。\n\n続行しますか。",
            Icon::Exclamation, Buttons::YesNo, Button::No);
        if (answer != Button::Yes) {
            check.focus = SizeBox::Width;
            check.restore = true;
            check.restoreWidth = std::to_string(f.fieldWidth);
            check.restoreHeight = std::to_string(f.fieldHeight);
            return check;
        }
    }
    check.accept = true;
    return check;
}

namespace {

// Copies the live cells inside extent e into the staging grid, with the old grid's centre on the
// staging grid's centre. Staging row and column 0 are never written.
void StageExtent(Field& f, const Extent& e) {
    const int ox = (f.loadWidth - f.gridWidth) / 2;
    const int oy = (f.loadHeight - f.gridHeight) / 2;
    f.staging().orFrom(f.cells(), e.left, e.top, e.right, e.bottom, ox, oy, 1, 1, f.loadWidth - 1,
                       f.loadHeight - 1);
}

// Copies the staged cells (all but the staging grid's last row and column) into the interior,
// the staging grid's centre on the grid's centre.
void CarryIn(Field& f) {
    const int ox = (f.gridWidth - f.loadWidth) / 2;
    const int oy = (f.gridHeight - f.loadHeight) / 2;
    f.placeStaged(0, 0, f.loadWidth - 2, f.loadHeight - 2, ox, oy);
}

// Releases a block with its flag cleared first, so nothing reads it in between.
void ReleaseLoadArea(Field& f) {
    f.loadAreaAllocated = 0;
    FreeLoadArea(f);
}
void ReleaseCells(Field& f) {
    f.cellsAllocated = 0;
    FreeCells(f);
}

// A new staging grid of width × height; on success the sizes and the flag follow it.
bool NewLoadArea(Context& ctx, int width, int height) {
    if (AllocateLoadArea(ctx, width, height) != kAllocOk) return false;
    ctx.field.loadWidth = width;
    ctx.field.loadHeight = height;
    ctx.field.loadAreaAllocated = 1;
    return true;
}

bool Rebuild(Context& ctx, int w, int h) {
    Field& f = ctx.field;
    const int oldGridWidth = f.gridWidth;
    const int oldGridHeight = f.gridHeight;
    const int oldLoadWidth = f.loadWidth;
    const int oldLoadHeight = f.loadHeight;
    // A side too large even for an int makes the allocations report a size overflow.
    static constexpr std::int64_t intMax = std::numeric_limits<int>::max();
    const auto side = [](int interior, int extra) {
        return static_cast<int>(std::min<std::int64_t>(std::int64_t{interior} + extra, intMax));
    };
    const int gw = side(w, 2);
    const int gh = side(h, 2);
    const int lw = side(w, 2 + kLoadMargin);
    const int lh = side(h, 2 + kLoadMargin);

    // Staging grid at the new size; the old one goes first. When the new one cannot be had, the
    // old-sized one is made again and carries the pattern just as well: everything of the old
    // grid fits it, and the carry below centres whatever sizes the two grids have.
    ReleaseLoadArea(f);
    if (!NewLoadArea(ctx, lw, lh)) NewLoadArea(ctx, oldLoadWidth, oldLoadHeight);

    const Extent e = FieldExtent(f);
    if (e.found && f.loadAreaAllocated == 1) StageExtent(f, e);

    // The old field goes before the new one is requested.
    ReleaseCells(f);
    if (AllocateCells(ctx, gw, gh) == kAllocOk) {
        f.cellsAllocated = 1;
        SetFieldSize(f, w, h);
        if (f.loadAreaAllocated == 1) {
            CarryIn(f);
            f.staging().clear();
            ctx.host.invalidateView();
        } else {
            // Neither staging grid could be had: the pattern is gone; one more try for the
            // grid, else the next memory check ends the program.
            NewLoadArea(ctx, f.loadWidth, f.loadHeight);
        }
        return true;
    }

    // The new field could not be had: the old size again, the pattern copied back from staging
    // (over the same rows as above).
    if (AllocateCells(ctx, oldGridWidth, oldGridHeight) == kAllocOk) {
        f.cellsAllocated = 1;
        CarryIn(f);
    }
    // Whatever became of the carry, the staging grid is left as fresh as it came.
    if (f.loadAreaAllocated == 1) f.staging().clear();
    // The staging grid goes back to its old size too, rather than keeping a block made for a
    // field that never came (it may be far larger than the old one).
    if (f.loadAreaAllocated == 0 || f.loadWidth != oldLoadWidth || f.loadHeight != oldLoadHeight) {
        ReleaseLoadArea(f);
        NewLoadArea(ctx, oldLoadWidth, oldLoadHeight);
    }
    return false;
}

}  // namespace

bool RebuildField(Context& ctx, int width, int height) {
    Field& f = ctx.field;
    f.busy = 1;
    RefreshCursor(ctx);
    f.rebuilding = true;
    const bool resized = width >= 1 && height >= 1 && Rebuild(ctx, width, height);
    f.rebuilding = false;
    f.busy = 0;
    RefreshCursor(ctx);
    return resized;
}

void ResizeField(Context& ctx, const FieldSizeRunner& runDialog) {
    CheckMemory(ctx);
    PauseRun(ctx);
    const std::optional<std::pair<int, int>> size =
        runDialog(ctx.field.fieldWidth, ctx.field.fieldHeight);
    if (size && (size->first != ctx.field.fieldWidth || size->second != ctx.field.fieldHeight))
        RebuildField(ctx, size->first, size->second);
    ResumeRun(ctx);
}

}  // namespace gb
