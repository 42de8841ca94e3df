#include "session/field_memory.h"

#include <cstdlib>
#include <new>

#include "session/context.h"
#include "session/shell.h"

namespace gb {

namespace {

const char* FailureText(const AllocResult& result) {
    const bool cells = result.block == FieldBlock::Cells;
    if (result.status == AllocStatus::TooLarge)
        return cells ? "パターン記録領域のセル数が多すぎるようです。"
                     : "パターン読み込み領域のセル数が多すぎるようです。";
    return cells ? "パターン記録領域が確保できません。" : "パターン読み込み領域が確保できません。";
}

int Reported(Context& ctx, const AllocResult& result) {
    ShowAllocationFailure(ctx, result);
    return static_cast<int>(result.status);
}

}  // namespace

void ShowAllocationFailure(Context& ctx, const AllocResult& result) {
    if (result.ok()) return;
    ctx.run.setBusy(false);
    ctx.shell.messageCaption =
        result.status == AllocStatus::TooLarge ? "計算エラー。" : "メモリ不足です。";
    AppMessageBox(ctx, FailureText(result), Icon::Exclamation);
}

int AllocateCells(Context& ctx, int gridWidth, int gridHeight) {
    return Reported(ctx, AllocateCells(ctx.field, gridWidth, gridHeight));
}

int AllocateLoadArea(Context& ctx, int width, int height) {
    return Reported(ctx, AllocateLoadArea(ctx.field, width, height));
}

bool SetUpField(Context& ctx, int fieldWidth, int fieldHeight) {
    const AllocResult result = SetUpField(ctx.field, fieldWidth, fieldHeight);
    ShowAllocationFailure(ctx, result);
    return result.ok();
}

void InitField(Context& ctx) {
    if (SetUpField(ctx, kDefaultFieldSide, kDefaultFieldSide)) return;
    ViewMessageBox(ctx, "Gridbloom", "メモリ領域が確保できないので起動できません。",
                   Icon::Exclamation);
    ctx.host.exitProcess(1);
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

}  // namespace gb
