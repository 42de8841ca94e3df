// The field-size command: the decisions of its dialog and the rebuild of the Field at a new size.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace gb {

struct Context;

// Above this many cells (width × height as typed) the dialog asks before accepting.
inline constexpr double kLargeFieldCells = 25000000;
// Range of each size box's arrows.
inline constexpr int kFieldSizeSpinMin = 1;
inline constexpr int kFieldSizeSpinMax = 100000;

enum class SizeBox { None, Width, Height };

// "総セル数   1,440,000   1.440000e+006" for a total of 1440000.
std::string TotalCellsLine(double total);

// What the dialog shows after either box changed. When a box holds ",", the comma box has been
// shown and reset names that box, to be set to resetText (the current size), focused and
// selected; otherwise line is the new total line.
struct TotalCellsUpdate {
    SizeBox reset = SizeBox::None;
    std::string resetText;
    std::string line;
};
TotalCellsUpdate ShowTotalCells(Context& ctx, std::string_view width, std::string_view height);

// The check on OK. accept: go on to the integer exchange. Otherwise focus names the box to focus
// and select; when restore is set, both boxes first go back to the current size (restoreWidth,
// restoreHeight).
struct FieldSizeCheck {
    bool accept = false;
    SizeBox focus = SizeBox::None;
    bool restore = false;
    std::string restoreWidth;
    std::string restoreHeight;
};
FieldSizeCheck CheckFieldSizeOnOk(Context& ctx, std::string_view width, std::string_view height);

// Rebuilds cells and loadArea for an interior of width × height and carries the pattern across,
// keeping its place relative to the field centre. When the new staging grid cannot be had, the
// old-sized one is made again and carries the pattern; when the new field cannot be had, the
// Field keeps its old size with its pattern (as far as staging held it). Each failure shows its
// box. Returns true when the size changed.
bool RebuildField(Context& ctx, int width, int height);

// Shows the field-size dialog with the current sizes; the new sizes, or nothing on cancel.
using FieldSizeRunner = std::function<std::optional<std::pair<int, int>>(int width, int height)>;

// The field-size command: pause, dialog, rebuild when a size changed, resume.
void ResizeField(Context& ctx, const FieldSizeRunner& runDialog);

}  // namespace gb
