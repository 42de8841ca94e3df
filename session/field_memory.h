// The Field's memory as the user sees it: the boxes of failed allocations, the start-up, the
// memory check before each command and the end of the program when memory runs out.
#pragma once

#include "engine/field.h"

namespace gb {

struct Context;

// The box of a failed allocation, after the busy flag is dropped: captioned "計算エラー。" for a
// size too large, "メモリ不足です。" for memory that could not be had. Nothing for a success.
void ShowAllocationFailure(Context& ctx, const AllocResult& result);

// The allocations of the engine with their failure shown; the result as kAllocOk,
// kAllocNoMemory or kAllocTooLarge.
int AllocateCells(Context& ctx, int gridWidth, int gridHeight);
int AllocateLoadArea(Context& ctx, int width, int height);

// SetUpField of the engine with the box of an allocation that fails; true when both blocks came.
bool SetUpField(Context& ctx, int fieldWidth, int fieldHeight);
// Builds the default 1200 × 1200 Field. On failure: the allocation's box, the start-up box and
// the end of the process with status 1.
void InitField(Context& ctx);
// Ends the process (status 1, after a box) when either block is missing.
void CheckMemory(Context& ctx);
// The program's memory failure: the box "メモリ領域が確保できないため終了します。", the blocks
// released, the end of the process with status 1. Also where an operation that ran out of
// memory ends.
[[noreturn]] void EndForLackOfMemory(Context& ctx);

}  // namespace gb
