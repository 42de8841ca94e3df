#include "engine/resize.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "engine/extent.h"

namespace gb {

namespace {

// Copies the live cells inside extent e into the staging grid, with the old grid's centre on the
// staging grid's centre. Staging row and column 0 are never written.
void StageExtent(Field& f, const Extent& e) {
    const int ox = (f.loadWidth - f.gridWidth) / 2;
    const int oy = (f.loadHeight - f.gridHeight) / 2;
    f.staging().orFrom(f.cells(), e.left, e.top, e.right, e.bottom, ox, oy, 1, 1, f.loadWidth - 1,
                       f.loadHeight - 1);
}

// Copies the staged cells (all but the staging grid's last row and column) into the interior,
// the staging grid's centre on the grid's centre.
void CarryIn(Field& f) {
    const int ox = (f.gridWidth - f.loadWidth) / 2;
    const int oy = (f.gridHeight - f.loadHeight) / 2;
    f.placeStaged(0, 0, f.loadWidth - 2, f.loadHeight - 2, ox, oy);
}

// Releases a block with its flag cleared first, so nothing reads it in between.
void ReleaseLoadArea(Field& f) {
    f.loadAreaAllocated = 0;
    FreeLoadArea(f);
}
void ReleaseCells(Field& f) {
    f.cellsAllocated = 0;
    FreeCells(f);
}

// A new staging grid of width × height; on success the sizes and the flag follow it.
bool NewLoadArea(Field& f, int width, int height, const AllocFailureSink& failed) {
    const AllocResult result = AllocateLoadArea(f, width, height);
    if (!result.ok()) {
        failed(result);
        return false;
    }
    f.loadWidth = width;
    f.loadHeight = height;
    f.loadAreaAllocated = 1;
    return true;
}

// The cells of a grid of width × height; on success the flag follows them.
bool NewCells(Field& f, int width, int height, const AllocFailureSink& failed) {
    const AllocResult result = AllocateCells(f, width, height);
    if (!result.ok()) {
        failed(result);
        return false;
    }
    f.cellsAllocated = 1;
    return true;
}

// The sizes of the grid and the staging grid before a rebuild.
struct Sizes {
    int gridWidth, gridHeight, loadWidth, loadHeight;
};

// The new field could not be had: the old size again, the pattern copied back from staging (over
// the same rows as it was staged from).
void KeepOldSize(Field& f, const Sizes& old, const AllocFailureSink& failed) {
    if (NewCells(f, old.gridWidth, old.gridHeight, failed)) CarryIn(f);
    // Whatever became of the carry, the staging grid is left as fresh as it came.
    if (f.loadAreaAllocated == 1) f.staging().clear();
    // The staging grid goes back to its old size too, rather than keeping a block made for a
    // field that never came (it may be far larger than the old one).
    if (f.loadAreaAllocated == 0 || f.loadWidth != old.loadWidth ||
        f.loadHeight != old.loadHeight) {
        ReleaseLoadArea(f);
        NewLoadArea(f, old.loadWidth, old.loadHeight, failed);
    }
}

}  // namespace

RebuildResult RebuildBlocks(Field& f, int w, int h, const AllocFailureSink& failed) {
    if (w < 1 || h < 1) return {};
    const Sizes old{f.gridWidth, f.gridHeight, f.loadWidth, f.loadHeight};
    // A side too large even for an int makes the allocations report a size overflow.
    static constexpr std::int64_t intMax = std::numeric_limits<int>::max();
    const auto side = [](int interior, int extra) {
        return static_cast<int>(std::min<std::int64_t>(std::int64_t{interior} + extra, intMax));
    };
    const int gw = side(w, 2);
    const int gh = side(h, 2);
    const int lw = side(w, 2 + kLoadMargin);
    const int lh = side(h, 2 + kLoadMargin);

    // Staging grid at the new size; the old one goes first. When the new one cannot be had, the
    // old-sized one is made again and carries the pattern just as well: everything of the old
    // grid fits it, and the carry below centres whatever sizes the two grids have.
    ReleaseLoadArea(f);
    if (!NewLoadArea(f, lw, lh, failed)) NewLoadArea(f, old.loadWidth, old.loadHeight, failed);

    const Extent e = FieldExtent(f);
    if (e.found && f.loadAreaAllocated == 1) StageExtent(f, e);

    // The old field goes before the new one is requested.
    ReleaseCells(f);
    if (NewCells(f, gw, gh, failed)) {
        SetFieldSize(f, w, h);
        if (f.loadAreaAllocated == 1) {
            CarryIn(f);
            f.staging().clear();
            return {true, true};
        }
        // Neither staging grid could be had: the pattern is gone; one more try for the grid,
        // else the next memory check ends the program.
        NewLoadArea(f, f.loadWidth, f.loadHeight, failed);
        return {true, false};
    }

    KeepOldSize(f, old, failed);
    return {};
}

}  // namespace gb
