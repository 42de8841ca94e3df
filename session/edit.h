// Drawing with the mouse: edit mode, the two buttons, dragging and double-click centring of the
// view, and the clear and new commands. The view only turns its mouse events into these calls,
// with positions in client pixels; Shift is read from the Host.
#pragma once

namespace gb {

struct Context;

// The cell whose square in the most recent frame holds client pixel (px, py), a field point
// inside that cell, and whether the cell lies in the interior (the only place a press or move may
// write).
struct FieldPoint {
    double x = 0;
    double y = 0;
    int cellX = 0;  // -1 and gridWidth (gridHeight) stand for anything outside the grid
    int cellY = 0;
};
FieldPoint PointerToField(const Context& ctx, double px, double py);
bool InInterior(const Context& ctx, const FieldPoint& p);

// Edit-mode commands and their menu rules.
void StartEditing(Context& ctx);  // editMode = true; nothing redrawn
void EndEditing(Context& ctx);    // editMode = false; the view is invalidated
bool CanStartEditing(const Context& ctx);
bool CanEndEditing(const Context& ctx);

// Mouse events of the view.
void LeftPress(Context& ctx, double px, double py);
void RightPress(Context& ctx, double px, double py);
void PointerMove(Context& ctx, double px, double py);
void LeftRelease(Context& ctx);
void RightRelease(Context& ctx);
void LeftDoubleClick(Context& ctx, double px, double py);

// Clear: asks (inside the pause bracket) and on Yes empties the Field and names it "新規".
void ClearField(Context& ctx);
bool CanClearField(const Context& ctx);
// New: asks only when the Field has live cells; leaves the run stopped and edit mode on.
void NewField(Context& ctx);

}  // namespace gb
