#include "session/edit.h"

#include <algorithm>
#include <cmath>

#include "session/context.h"
#include "session/frame.h"
#include "session/run.h"
#include "session/scroll.h"

namespace gb {

namespace {

constexpr const char* kEraseQuestion = "データを消去しますか？";

// Writes value into the cell under (px, py) when that is an interior cell.
bool SetCellUnder(Context& ctx, double px, double py, std::int8_t value) {
    const FieldPoint p = PointerToField(ctx, px, py);
    if (!InInterior(ctx, p)) return false;
    ctx.field.setCell(p.cellX, p.cellY, value);
    return true;
}

// Shared end of clear and new: the Field is a new, unnamed pattern.
void NameNewField(Context& ctx) {
    ctx.shell.documentPath = kNewDocumentName;
    SetMainTitle(ctx, kNewDocumentName);
    ctx.shell.currentQuickLaunchItem = 0;
}

}  // namespace

FieldPoint PointerToField(const Context& ctx, double px, double py) {
    const ViewState& v = ctx.view;
    // The frame's squares start on truncated image pixels worked out from the single-precision
    // viewLeft and viewTop; the pointer takes the square that holds its pixel, not the cell of
    // its exact position, which can differ from it by one at a square's first pixel.
    const double ratio = v.pixelRatio > 0 ? v.pixelRatio : 1.0;
    const auto imagePixel = [ratio](double p) {
        return static_cast<int>(std::clamp(std::floor(p * ratio), -1e9, 1e9));
    };
    const auto inCell = [](double at, int cell) {
        return std::clamp(at, static_cast<double>(cell), std::nextafter(cell + 1.0, 0.0));
    };
    FieldPoint p;
    p.cellX = CellAtPixel(imagePixel(px), v.viewLeft, v.zoom * ratio, ctx.field.gridWidth);
    p.cellY = CellAtPixel(imagePixel(py), v.viewTop, v.zoom * ratio, ctx.field.gridHeight);
    p.x = inCell(v.viewLeft + px / v.zoom, p.cellX);
    p.y = inCell(v.viewTop + py / v.zoom, p.cellY);
    return p;
}

bool InInterior(const Context& ctx, const FieldPoint& p) {
    return p.cellX >= 1 && p.cellX < ctx.field.gridWidth - 1 && p.cellY >= 1 &&
           p.cellY < ctx.field.gridHeight - 1;
}

void StartEditing(Context& ctx) { ctx.view.editMode = true; }

void EndEditing(Context& ctx) {
    ctx.view.editMode = false;
    ctx.host.invalidateView();
}

bool CanStartEditing(const Context& ctx) { return !ctx.view.editMode; }
bool CanEndEditing(const Context& ctx) { return ctx.view.editMode; }

void LeftPress(Context& ctx, double px, double py) {
    CheckMemory(ctx);
    if (ctx.view.editMode && !ctx.host.shiftHeld()) {
        if (SetCellUnder(ctx, px, py, 1)) ctx.host.invalidateView();
        PauseRun(ctx);
    }
    ctx.view.leftDown = true;
    RefreshCursor(ctx);
    ctx.view.dragAnchorX = px / ctx.view.zoom;
    ctx.view.dragAnchorY = py / ctx.view.zoom;
}

void RightPress(Context& ctx, double px, double py) {
    CheckMemory(ctx);
    if (ctx.view.editMode) {
        if (SetCellUnder(ctx, px, py, 0)) ctx.host.invalidateView();
        PauseRun(ctx);
    }
    ctx.view.rightDown = true;
}

void PointerMove(Context& ctx, double px, double py) {
    ViewState& v = ctx.view;
    const bool shift = ctx.host.shiftHeld();
    if (v.editMode && (v.leftDown || v.rightDown) && !shift) {
        CheckMemory(ctx);
        const FieldPoint p = PointerToField(ctx, px, py);
        if (!InInterior(ctx, p)) return;
        if (v.leftDown) ctx.field.setCell(p.cellX, p.cellY, 1);
        if (v.rightDown) ctx.field.setCell(p.cellX, p.cellY, 0);
        ctx.host.invalidateView();
    } else if (v.leftDown && (!v.editMode || shift)) {
        // The field follows the pointer, as far as the user likes.
        const double qx = px / v.zoom, qy = py / v.zoom;
        v.offsetX -= static_cast<float>(qx - v.dragAnchorX);
        v.offsetY -= static_cast<float>(qy - v.dragAnchorY);
        ctx.host.invalidateView();
        v.dragAnchorX = qx;
        v.dragAnchorY = qy;
    }
}

void LeftRelease(Context& ctx) {
    if (ctx.view.editMode && ctx.view.leftDown) ResumeRun(ctx);
    ctx.view.leftDown = false;
    RefreshCursor(ctx);
}

void RightRelease(Context& ctx) {
    if (ctx.view.editMode && ctx.view.rightDown) ResumeRun(ctx);
    ctx.view.rightDown = false;
}

void LeftDoubleClick(Context& ctx, double px, double py) {
    if (ctx.view.editMode && !ctx.host.shiftHeld()) return;
    const FieldPoint p = PointerToField(ctx, px, py);
    // Bounded by the interior's width and height, so the last column and row do not centre.
    if (p.cellX >= 1 && p.cellX < ctx.field.fieldWidth && p.cellY >= 1 &&
        p.cellY < ctx.field.fieldHeight)
        CentreViewOn(ctx, static_cast<float>(p.x), static_cast<float>(p.y));
}

void ClearField(Context& ctx) {
    PauseRun(ctx);
    const Button answer = ViewMessageBox(ctx, "クリアが選択されました。", kEraseQuestion,
                                         Icon::Exclamation, Buttons::YesNo);
    if (answer == Button::Yes) {
        ClearCells(ctx.field);
        ctx.field.generation = 0;
        ctx.host.invalidateView();
        NameNewField(ctx);
    }
    ResumeRun(ctx);
}

bool CanClearField(const Context& ctx) { return HasLiveCells(ctx.view) != 0; }

void NewField(Context& ctx) {
    if (HasLiveCells(ctx.view)) {
        PauseRun(ctx);
        const Button answer = ViewMessageBox(ctx, "新規作成が選択されました。", kEraseQuestion,
                                             Icon::Exclamation, Buttons::YesNo);
        ResumeRun(ctx);
        if (answer != Button::Yes) return;
    }
    ClearCells(ctx.field);
    PauseRun(ctx);
    ctx.field.generation = 0;
    ctx.view.editMode = true;
    ctx.host.invalidateView();
    NameNewField(ctx);
    RefreshCursor(ctx);
}

}  // namespace gb
