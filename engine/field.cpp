#include "engine/field.h"

#include <cstdlib>

#include "engine/step_state.h"

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
        if ((bits[from >> 6] >> (from & 63) & 1) != 0)
            moved[static_cast<std::size_t>(i >> 6)] |= std::uint64_t{1} << (i & 63);
    }
    plane_[0].orBits(y, x0 + skip, moved.data(), n);
}

void Field::placeStaged(int left, int top, int right, int bottom, int dx, int dy) {
    if (!hasCells() || !hasStaging()) return;
    plane_[0].orFrom(staging_, left, top, right, bottom, dx, dy, 1, 1, gridWidth - 2,
                     gridHeight - 2);
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
            g.setWord(tx, ty * CellGrid::kTileHeight + r,
                      s.words[i * CellGrid::kTileHeight + static_cast<std::size_t>(r)]);
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

// A zero-filled block of `bytes` for factor × width × height cells, or the reason there is none.
AllocStatus AllocateBlock(Field& f, int factor, int width, int height, std::size_t bytes,
                          void*& block) {
    block = nullptr;
    if (!SizeFits(factor, width, height)) return AllocStatus::TooLarge;
    block = f.allocate(bytes == 0 ? 1 : bytes);
    return block == nullptr ? AllocStatus::NoMemory : AllocStatus::Ok;
}

}  // namespace

AllocResult AllocateCells(Field& f, int gridWidth, int gridHeight) {
    AllocResult result{FieldBlock::Cells, AllocStatus::Ok, gridWidth, gridHeight};
    const bool sane = gridWidth > 0 && gridHeight > 0;
    const std::size_t plane = sane ? CellGrid::BlockBytes(gridWidth, gridHeight) : 0;
    void* block = nullptr;
    result.status = AllocateBlock(f, 2, gridWidth, gridHeight, 2 * plane, block);
    if (!result.ok()) return result;
    // The old block, if the caller kept one, is the caller's to free first; a new one replaces
    // whatever the planes described.
    std::free(f.cellsBlock_);
    f.cellsBlock_ = block;
    f.plane_[0].Attach(block, sane ? gridWidth : 0, sane ? gridHeight : 0);
    f.plane_[1].Attach(static_cast<unsigned char*>(block) + plane, sane ? gridWidth : 0,
                       sane ? gridHeight : 0);
    f.step_->Forget();
    return result;
}

AllocResult AllocateLoadArea(Field& f, int width, int height) {
    AllocResult result{FieldBlock::Staging, AllocStatus::Ok, width, height};
    const bool sane = width > 0 && height > 0;
    const std::size_t bytes = sane ? CellGrid::BlockBytes(width, height) : 0;
    void* block = nullptr;
    result.status = AllocateBlock(f, 1, width, height, bytes, block);
    if (!result.ok()) return result;
    std::free(f.stagingBlock_);
    f.stagingBlock_ = block;
    f.staging_.Attach(block, sane ? width : 0, sane ? height : 0);
    return result;
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

AllocResult SetUpField(Field& f, int fieldWidth, int fieldHeight) {
    const int gridWidth = fieldWidth + 2, gridHeight = fieldHeight + 2;
    AllocResult result = AllocateCells(f, gridWidth, gridHeight);
    if (!result.ok()) return result;
    f.cellsAllocated = 1;
    result = AllocateLoadArea(f, gridWidth + kLoadMargin, gridHeight + kLoadMargin);
    if (!result.ok()) return result;
    f.loadAreaAllocated = 1;
    SetFieldSize(f, fieldWidth, fieldHeight);
    f.loadWidth = gridWidth + kLoadMargin;
    f.loadHeight = gridHeight + kLoadMargin;
    f.clearCells();
    return result;
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

}  // namespace gb
