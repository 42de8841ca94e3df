#include "core/engine/field.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "core/context.h"
#include "core/engine/cell_index.h"
#include "core/shell.h"

namespace gb {

void* DefaultZeroAllocator(std::size_t bytes) { return std::calloc(bytes, 1); }

Field::~Field() {
    FreeCells(*this);
    FreeLoadArea(*this);
}

namespace {

// Computes factor × width × height twice: wrapping in 32 bits and exactly in double. They differ
// exactly when the true count does not fit a signed 32-bit integer (or is negative).
bool SizeFits(int factor, int width, int height, std::size_t& bytes) {
    const std::uint32_t wrapped = static_cast<std::uint32_t>(factor) *
                                  static_cast<std::uint32_t>(width) *
                                  static_cast<std::uint32_t>(height);
    const auto asInt = static_cast<std::int32_t>(wrapped);
    const double exact = static_cast<double>(factor) * width * height;
    if (static_cast<double>(asInt) != exact || exact < 0) return false;
    bytes = static_cast<std::size_t>(asInt);
    return true;
}

int AllocateBlock(Context& ctx, int factor, int width, int height, std::int8_t*& block,
                  const char* tooLargeText, const char* noMemoryText) {
    std::size_t bytes = 0;
    if (!SizeFits(factor, width, height, bytes)) {
        ctx.field.busy = 0;
        ctx.shell.messageCaption = "計算エラー。";
        AppMessageBox(ctx, tooLargeText, Icon::Exclamation);
        return kAllocTooLarge;
    }
    void* memory = ctx.field.allocate(bytes == 0 ? 1 : bytes);
    if (memory == nullptr) {
        ctx.field.busy = 0;
        ctx.shell.messageCaption = "メモリ不足です。";
        AppMessageBox(ctx, noMemoryText, Icon::Exclamation);
        return kAllocNoMemory;
    }
    block = static_cast<std::int8_t*>(memory);
    return kAllocOk;
}

}  // namespace

int AllocateCells(Context& ctx, int gridWidth, int gridHeight) {
    ResetStepTracking(ctx.field);
    const int result = AllocateBlock(ctx, 2, gridWidth, gridHeight, ctx.field.cells,
                                     "パターン記録領域のセル数が多すぎるようです。",
                                     "パターン記録領域が確保できません。");
    // Fresh zeros: no live tile, nothing in plane 1, and nothing to clear again.
    if (result == kAllocOk) ResetIndex(ctx.field, gridWidth, gridHeight);
    ctx.field.plane1Dirty = DirtyBox{};
    return result;
}

int AllocateLoadArea(Context& ctx, int width, int height) {
    const int result = AllocateBlock(ctx, 1, width, height, ctx.field.loadArea,
                                     "パターン読み込み領域のセル数が多すぎるようです。",
                                     "パターン読み込み領域が確保できません。");
    if (result == kAllocOk) {  // calloc'ed: nothing to clear before use
        ForgetStagedCells(ctx.field);
        SizeIndex(ctx.field.stagedIndex, ctx.field.loadArea, width, height);
    }
    return result;
}

void FreeCells(Field& field) {
    ResetStepTracking(field);
    std::free(field.cells);
    field.cells = nullptr;
    field.index = CellIndex{};
    field.plane1Dirty = DirtyBox{};
}

void FreeLoadArea(Field& field) {
    std::free(field.loadArea);
    field.loadArea = nullptr;
    field.stagedIndex = CellIndex{};
}

void ResetStepTracking(Field& field) {
    // Swapping with fresh vectors also gives the memory of a large Field back.
    field.tracking = StepTracking{};
}

void SetFieldSize(Field& field, int fieldWidth, int fieldHeight) {
    ResetStepTracking(field);
    field.fieldWidth = fieldWidth;
    field.fieldHeight = fieldHeight;
    field.gridWidth = fieldWidth + 2;
    field.gridHeight = fieldHeight + 2;
    field.planeSize = field.gridWidth * field.gridHeight;
    if (field.index.gridWidth != field.gridWidth || field.index.gridHeight != field.gridHeight)
        field.index.known = false;
}

void InitField(Context& ctx) {
    Field& f = ctx.field;
    SetFieldSize(f, kDefaultFieldSide, kDefaultFieldSide);
    f.loadWidth = f.gridWidth + kLoadMargin;
    f.loadHeight = f.gridHeight + kLoadMargin;

    const auto startupFailure = [&ctx] {
        ViewMessageBox(ctx, "Gridbloom", "メモリ領域が確保できないので起動できません。",
                       Icon::Exclamation);
        ctx.host.exitProcess(1);
    };
    if (AllocateCells(ctx, f.gridWidth, f.gridHeight) != kAllocOk) startupFailure();
    f.cellsAllocated = 1;
    if (AllocateLoadArea(ctx, f.loadWidth, f.loadHeight) != kAllocOk) startupFailure();
    f.loadAreaAllocated = 1;
    ClearCells(f);
}

void ClearCells(Field& field) {
    ++field.changeStamp;
    if (field.cells == nullptr) return;
    // Only the tiles that may hold cells, and the part of plane 1 last written.
    ClearPlane0(field);
    ClearPlane1(field);
}

void ReleaseField(Field& f) {
    if (f.cellsAllocated == 1) {
        FreeCells(f);
        f.cellsAllocated = 0;
    }
    if (f.loadAreaAllocated == 1) {
        FreeLoadArea(f);
        f.loadAreaAllocated = 0;
    }
}

void CheckMemory(Context& ctx) {
    Field& f = ctx.field;
    if (f.cellsAllocated == 1 && f.loadAreaAllocated == 1) return;
    EndForLackOfMemory(ctx);
}

void EndForLackOfMemory(Context& ctx) {
    try {
        ctx.shell.messageCaption = "Gridbloom";
        AppMessageBox(ctx, "メモリ領域が確保できないため終了します。", Icon::Exclamation);
    } catch (const std::bad_alloc&) {
        // Not even the box could be shown; the program ends all the same.
    }
    ReleaseField(ctx.field);
    ctx.host.exitProcess(1);
    std::exit(1);  // not reached: the host ends the process
}

int HasLiveCells(const Field& field) { return field.population != 0 ? 1 : 0; }

}  // namespace gb
