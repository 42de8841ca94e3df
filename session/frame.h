// The parts of a frame that need no window: the advance with its stop target, where the field
// lands on the client area, the grid spacing, the cells written into a pixel buffer together with
// the population count, the status texts, and the frame's effect on the run and the timers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace gb {

struct Context;
struct Field;

// Draws one frame; true advances the field first. The view supplies it.
using FrameFn = std::function<void(bool advance)>;

inline constexpr int kZoomLabelInterval = 2000;  // ms
inline constexpr const char* kExtinctionText = "消滅";

// Truncation toward zero, held within a range a painter can take, so that an extreme view offset
// cannot overflow the conversion.
int TruncPixel(double v);

// Where the field lands on a client area of clientW × clientH pixels.
struct FramePlacement {
    float viewLeft = 0;  // field point at the client's top-left pixel
    float viewTop = 0;
    int left = 0;  // pixel edges of the interior: first interior column / row ...
    int top = 0;
    int right = 0;  // ... and the right / bottom border cell
    int bottom = 0;
};
FramePlacement PlaceField(int gridWidth, int gridHeight, int clientW, int clientH, double zoom,
                          float offsetX, float offsetY);

// Cells between grid lines: 1 from zoom 3 up, else trunc(4 / zoom).
int GridSpacing(double zoom);
// Pixel row or column of the grid line just before cell d.
int GridLinePixel(int d, float viewStart, double zoom);
// Side of a live cell's square in pixels.
int CellSize(double zoom);
// Pixel column (row) where the square of column (row) d starts, for a view whose first pixel
// shows field point viewStart.
int CellPixel(int d, float viewStart, double zoom);
// The column (row) whose drawn square holds pixel p: where several squares start on that pixel
// the first of them, and a grid line's pixel belongs to the square before it. Between -1 and
// count; -1 and count stand for anything before and after the count columns (rows).
int CellAtPixel(int p, float viewStart, double zoom, int count);

// The grey level of the texts: 255 on dark backgrounds, 0 on light ones (colour 0x00BBGGRR).
int TextGrey(std::uint32_t backColor);
// "G 1,000 / P 1,234,567".
std::string StatusLine(std::int32_t generation, double population);
// "X 6", "X 1/4".
std::string ZoomLabel(double zoom);

// The advance of a frame: the stop-target test, one generation and its number. The advance
// still happens when the target stops the run.
void AdvanceOneGeneration(Context& ctx);
// Start of a frame: the memory check, then when advancing AdvanceOneGeneration.
void BeginFrame(Context& ctx, bool advance);

// Live cells of the current generation, as a frame counts them.
double CountCells(const Field& field);

// A 32-bit pixel buffer; stride in pixels.
struct PixelTarget {
    std::uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;
};

// Fills the square of every non-zero cell of plane 0 with pixel, clipped to the target, and
// returns the number of non-zero cells of the whole plane.
double PaintCells(const Field& field, const PixelTarget& target, float viewLeft, float viewTop,
                  double zoom, std::uint32_t pixel);

// After the cells: true when the field has died out (nothing counted after generation 0); the
// run is stopped then and the frame shows the extinction notice.
bool FrameFindsExtinction(Context& ctx);

// End of a frame: starts ZOOM_LABEL_TIMER when a zoom change asked for it.
void StartPendingZoomLabelTimer(Context& ctx);

// Everything a frame does to the state, without a picture: used where no view exists.
void FrameWithoutPicture(Context& ctx, bool advance);

// RUN_TIMER: an advancing frame while running, nothing otherwise.
void RunTick(Context& ctx, const FrameFn& drawFrame);
// ZOOM_LABEL_TIMER: hides the label; redraws at once when not running.
void ZoomLabelTick(Context& ctx, const FrameFn& drawFrame);

}  // namespace gb
