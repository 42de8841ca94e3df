#include "core/engine/field.h"

#include <cstdlib>
#include <new>

#include "core/context.h"
#include "core/engine/step_state.h"
#include "core/shell.h"

namespace gb {

void* DefaultZeroAllocator(std::size_t bytes) { return std::calloc(bytes, 1); }

Field::Field() : step_(std::make_unique<StepState>()) {}

Field::~Field() {
    FreeCells(*this);
    FreeLoadArea(*this);
}

void Field::fillRow(int y, int x0, int x1) {
    if (y <= 0 || y >= gridHeight - 1) return;
    if (x0 < 1) x0 = 1;
    if (x1 > gridWidth - 2) x1 = gridWidth - 2;
    if (x0 <= x1) plane_[0].fillSpan(y, x0, x1);
}

void Field::orRowBits(int y, int x0, const std::uint64_t* bits, int count) {
    if (y <= 0 || y >= gridHeight - 1 || count <= 0) return;
    // Cut to the interior columns 1 .. gridWidth - 2: drop the bits before column 1, then the
    // ones past the last interior column.
    int skip = x0 < 1 ? 1 - x0 : 0;
    if (skip >= count) return;
    const int last = gridWidth - 2;
    int n = count - skip;
    if (x0 + skip + n - 1 > last) n = last - (x0 + skip) + 1;
    if (n <= 0) return;
    if (skip == 0) {
        plane_[0].orBits(y, x0, bits, n);
        return;
    }
    // Rare: a row that starts left of the interior. Shift the bits down by `skip`.
    std::vector<std::uint64_t> moved(static_cast<std::size_t>(n + 63) / 64, 0);
    for (int i = 0; i < n; ++i) {
        const int from = skip + i;
        if ((bits[from >> 6] >> (from & 63) & 1) != 0) moved[static_cast<std::size_t>(i >> 6)] |= std::uint64_t{1} << (i & 63);
    }
    plane_[0].orBits(y, x0 + skip, moved.data(), n);
}

void Field::placeStaged(int left, int top, int right, int bottom, int dx, int dy) {
    if (!hasCells() || !hasStaging()) return;
    plane_[0].orFrom(staging_, left, top, right, bottom, dx, dy, 1, 1, gridWidth - 2, gridHeight - 2);
}

void Field::clearCells() {
    // Both buffers go back to zero, so the step has nothing to remember either.
    plane_[0].clear();
    plane_[1].clear();
    step_->Forget();
    std::vector<int> written;
    plane_[0].TakeJournal(written);
    plane_[1].TakeJournal(written);
}

void Field::snapshotCells(Snapshot& s) const {
    const CellGrid& g = plane_[0];
    s.width = g.width();
    s.height = g.height();
    s.tiles.clear();
    s.words.clear();
    g.forEachLiveTile([&](int tx, int ty) {
        const int t = ty * g.tilesX() + tx;
        s.tiles.push_back(t);
        s.words.resize(s.words.size() + CellGrid::kTileHeight);
        g.copyTile(t, s.words.data() + s.words.size() - CellGrid::kTileHeight);
    });
}

void Field::restoreCells(const Snapshot& s) {
    clearCells();
    CellGrid& g = plane_[0];
    if (s.width != g.width() || s.height != g.height()) return;
    for (std::size_t i = 0; i < s.tiles.size(); ++i) {
        const int tx = s.tiles[i] % g.tilesX(), ty = s.tiles[i] / g.tilesX();
        for (int r = 0; r < CellGrid::kTileHeight; ++r)
            g.setWord(tx, ty * CellGrid::kTileHeight + r, s.words[i * CellGrid::kTileHeight + static_cast<std::size_t>(r)]);
    }
}

namespace {

// Computes factor × width × height twice: wrapping in 32 bits and exactly in double. They differ
// exactly when the true count does not fit a signed 32-bit integer (or is negative).
bool SizeFits(int factor, int width, int height) {
    const std::uint32_t wrapped = static_cast<std::uint32_t>(factor) *
                                  static_cast<std::uint32_t>(width) *
                                  static_cast<std::uint32_t>(height);
    const auto asInt = static_cast<std::int32_t>(wrapped);
    const double exact = static_cast<double>(factor) * width * height;
    return static_cast<double>(asInt) == exact && exact >= 0;
}

void* AllocateBlock(Context& ctx, int factor, int width, int height, std::size_t bytes,
                    const char* tooLargeText, const char* noMemoryText, int& result) {
    if (!SizeFits(factor, width, height)) {
        ctx.field.busy = 0;
        ctx.shell.messageCaption = "計算エラー。";
        AppMessageBox(ctx, tooLargeText, Icon::Exclamation);
        result = kAllocTooLarge;
        return nullptr;
    }
    void* memory = ctx.field.allocate(bytes == 0 ? 1 : bytes);
    if (memory == nullptr) {
        ctx.field.busy = 0;
        ctx.shell.messageCaption = "メモリ不足です。";
        AppMessageBox(ctx, noMemoryText, Icon::Exclamation);
        result = kAllocNoMemory;
        return nullptr;
    }
    result = kAllocOk;
    return memory;
}

}  // namespace

int AllocateCells(Context& ctx, int gridWidth, int gridHeight) {
    Field& f = ctx.field;
    int result = kAllocOk;
    const bool sane = gridWidth > 0 && gridHeight > 0;
    const std::size_t plane = sane ? CellGrid::BlockBytes(gridWidth, gridHeight) : 0;
    void* block = AllocateBlock(ctx, 2, gridWidth, gridHeight, 2 * plane,
                                "パターン記録領域のセル数が多すぎるようです。",
                                "パターン記録領域が確保できません。", result);
    if (block == nullptr) return result;
    // The old block, if the caller kept one, is the caller's to free first; a new one replaces
    // whatever the planes described.
    std::free(f.cellsBlock_);
    f.cellsBlock_ = block;
    f.plane_[0].Attach(block, sane ? gridWidth : 0, sane ? gridHeight : 0);
    f.plane_[1].Attach(static_cast<unsigned char*>(block) + plane, sane ? gridWidth : 0,
                       sane ? gridHeight : 0);
    f.step_->Forget();
    return kAllocOk;
}

int AllocateLoadArea(Context& ctx, int width, int height) {
    Field& f = ctx.field;
    int result = kAllocOk;
    const bool sane = width > 0 && height > 0;
    const std::size_t bytes = sane ? CellGrid::BlockBytes(width, height) : 0;
    void* block = AllocateBlock(ctx, 1, width, height, bytes,
                                "パターン読み込み領域のセル数が多すぎるようです。",
                                "パターン読み込み領域が確保できません。", result);
    if (block == nullptr) return result;
    std::free(f.stagingBlock_);
    f.stagingBlock_ = block;
    f.staging_.Attach(block, sane ? width : 0, sane ? height : 0);
    return kAllocOk;
}

void FreeCells(Field& field) {
    field.plane_[0].Detach();
    field.plane_[1].Detach();
    std::free(field.cellsBlock_);
    field.cellsBlock_ = nullptr;
    if (field.step_) field.step_->Release();
}

void FreeLoadArea(Field& field) {
    field.staging_.Detach();
    std::free(field.stagingBlock_);
    field.stagingBlock_ = nullptr;
}

void ResetStepTracking(Field& field) { field.step_->Forget(); }

void SetFieldSize(Field& field, int fieldWidth, int fieldHeight) {
    field.fieldWidth = fieldWidth;
    field.fieldHeight = fieldHeight;
    field.gridWidth = fieldWidth + 2;
    field.gridHeight = fieldHeight + 2;
    field.planeSize = field.gridWidth * field.gridHeight;
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

void ClearCells(Field& field) { field.clearCells(); }

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
