// The move commands: a shift of the pattern while busy, the two centrings and the move by an
// amount with its dialog check.
#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <utility>

namespace gb {

struct Context;

// Moves every cell of plane 0 by (dx, dy); cells landing on the border or outside are lost.
// Checks the memory first and shows the wait cursor meanwhile. Does not redraw.
void ShiftCells(Context& ctx, int dx, int dy);

// Moves the pattern so the middle of its extent lies at the field centre.
void CentreByExtent(Context& ctx);
// Moves the pattern so its centroid lies at the field centre.
void CentreByCentroid(Context& ctx);

// Which box of the move-amount dialog failed its range check.
enum class AmountBox { None, Horizontal, Vertical };

// The move-amount dialog's range check on OK: each box read leniently and truncated must lie in
// 1 - size .. size - 1. On failure the box "%dから%dまでの整数を入力してください。" has been shown
// and the dialog sets the named box to "0", focuses it and selects it.
AmountBox CheckMoveAmounts(Context& ctx, std::string_view horizontal, std::string_view vertical);

// Shows the move-amount dialog modally; the two amounts, or nothing on cancel.
using MoveAmountRunner = std::function<std::optional<std::pair<int, int>>()>;

// The numeric move command: pause, dialog, shift, resume.
void MoveByAmount(Context& ctx, const MoveAmountRunner& runDialog);

}  // namespace gb
