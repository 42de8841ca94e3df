// Zooming by key, menu and wheel, and moving the view: arrow scrolling within its limits and the
// three ways of centring the view.
#pragma once

#include <functional>
#include <optional>

namespace gb {

struct Context;

void ZoomIn(Context& ctx);   // one step up, nothing at the top
void ZoomOut(Context& ctx);  // one step down, nothing at the bottom
bool CanZoomIn(const Context& ctx);
bool CanZoomOut(const Context& ctx);
// One wheel message: delta adds up (16-bit) until a whole notch of 120 either way.
void WheelZoom(Context& ctx, int delta);

// The zoom dialog: pauses, asks (the shown number zoomStep − 4 in, the confirmed one out),
// sets the zoom, resumes.
inline constexpr int kMinZoomNumber = -4;
inline constexpr int kMaxZoomNumber = 20;
using AskZoomNumber = std::function<std::optional<int>(int shown)>;
void ZoomDialogCommand(Context& ctx, const AskZoomNumber& ask);

enum class ScrollDirection { Left, Right, Up, Down };

// Cells the view may still move that way on a client area of clientW × clientH pixels.
double ScrollRoom(const Context& ctx, ScrollDirection dir, int clientW, int clientH);
// The menu rule: more than one cell of room.
bool CanScroll(const Context& ctx, ScrollDirection dir, int clientW, int clientH);
// Moves by 1 cell, or 10 with Shift, shortened to the room left; no move when the room is used up.
void ScrollView(Context& ctx, ScrollDirection dir, int clientW, int clientH, bool shift);

// Puts field point (x, y) at the client centre.
void CentreViewOn(Context& ctx, double x, double y);
void ScrollToFieldCentre(Context& ctx);
bool CanScrollToFieldCentre(const Context& ctx);
void ScrollToExtentCentre(Context& ctx);
void ScrollToCentroid(Context& ctx);

}  // namespace gb
