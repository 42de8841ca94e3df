// The Field: the one bounded grid of cells, its staging grid and the counters that travel with it.
//
// The cells live one bit per cell in tiles (CellGrid), owned by the Field: callers read them
// through cells() and staged() and write them through the Field's own operations, so whatever
// was written, the counts, the extent, the drawing, the writers and the step see it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/cell_grid.h"

namespace gb {

struct Rule;
struct StepState;

inline constexpr int kDefaultFieldSide = 1200;
inline constexpr int kLoadMargin =
    1000;  // the staging grid is this much wider and taller than the grid

// The two blocks of a Field: the cells of the grid (both planes) and the staging grid.
enum class FieldBlock { Cells, Staging };
// How an allocation ended; the values are the codes kAllocOk, kAllocNoMemory, kAllocTooLarge.
enum class AllocStatus { Ok = 0, NoMemory = 1, TooLarge = 2 };
// What an allocation of a block asked for and how it ended.
struct AllocResult {
    FieldBlock block = FieldBlock::Cells;
    AllocStatus status = AllocStatus::Ok;
    int width = 0;
    int height = 0;
    bool ok() const { return status == AllocStatus::Ok; }
};

// Zero-filled allocation used for both blocks; swappable so tests can make memory "run out".
// Blocks are released with std::free.
using ZeroAllocator = void* (*)(std::size_t bytes);
void* DefaultZeroAllocator(std::size_t bytes);

struct Field {
    // Sizes. Set only through SetFieldSize (the grid) and the staging grid's allocation.
    int fieldWidth = kDefaultFieldSide;
    int fieldHeight = kDefaultFieldSide;
    int gridWidth = kDefaultFieldSide + 2;
    int gridHeight = kDefaultFieldSide + 2;
    int planeSize = (kDefaultFieldSide + 2) * (kDefaultFieldSide + 2);
    int loadWidth = kDefaultFieldSide + 2 + kLoadMargin;
    int loadHeight = kDefaultFieldSide + 2 + kLoadMargin;

    int cellsAllocated = 0;
    int loadAreaAllocated = 0;

    std::int32_t generation = 0;

    ZeroAllocator allocate = DefaultZeroAllocator;

    Field();
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;
    ~Field();

    // The current generation (read only); the border and everything outside the grid is dead.
    const CellGrid& cells() const { return plane_[0]; }
    bool hasCells() const { return plane_[0].attached(); }
    // Live cells of the current generation, exact at every moment (the grid counts its writes).
    std::int64_t population() const { return plane_[0].population(); }
    // Cell (x, y) of the current generation: 1 live, 0 dead (also outside the grid).
    std::int8_t at(int x, int y) const { return plane_[0].get(x, y) ? 1 : 0; }
    bool isInterior(int x, int y) const {
        return x > 0 && x < gridWidth - 1 && y > 0 && y < gridHeight - 1;
    }
    // Sets an interior cell live (value non-zero) or dead; a border or outside position is refused.
    bool setCell(int x, int y, std::int8_t value) {
        if (!isInterior(x, y)) return false;
        plane_[0].set(x, y, value != 0);
        return true;
    }
    // Makes cells x0 .. x1 of row y live, clipped to the interior.
    void fillRow(int y, int x0, int x1);
    // Makes live the cells x0 + i of row y for every set bit i of bits (bit i of bits[i / 64]),
    // i < count, clipped to the interior.
    void orRowBits(int y, int x0, const std::uint64_t* bits, int count);
    // Copies the live cells of the staging grid inside the box [left, right] × [top, bottom]
    // (staging coordinates) onto the current generation, moved by (dx, dy); cells landing on the
    // border or outside are dropped. Live cells already there stay.
    void placeStaged(int left, int top, int right, int bottom, int dx, int dy);
    // Every cell dead.
    void clearCells();

    // A copy of the current generation's live tiles, to be put back with restoreCells.
    struct Snapshot {
        int width = 0, height = 0;
        std::vector<std::int32_t> tiles;
        std::vector<std::uint64_t> words;  // 16 a tile
    };
    Snapshot snapshotCells() const {
        Snapshot s;
        snapshotCells(s);
        return s;
    }
    // The same into s, reusing the room it has.
    void snapshotCells(Snapshot& s) const;
    // The cells as they were when the snapshot was taken (of a grid of the same size; any
    // other snapshot leaves the Field empty).
    void restoreCells(const Snapshot& snapshot);

    // The staging grid of the readers (loadWidth × loadHeight), read and written freely.
    const CellGrid& staged() const { return staging_; }
    CellGrid& staging() { return staging_; }
    bool hasStaging() const { return staging_.attached(); }

private:
    friend AllocResult AllocateCells(Field& field, int gridWidth, int gridHeight);
    friend AllocResult AllocateLoadArea(Field& field, int width, int height);
    friend void FreeCells(Field& field);
    friend void FreeLoadArea(Field& field);
    friend void AdvanceGeneration(Field& field, const Rule& rule);
    friend void ResetStepTracking(Field& field);
    friend void ShiftPlane(Field& field, int dx, int dy);
    friend struct StepAccess;

    // plane_[0] the current generation; plane_[1] the step's other buffer (the generation
    // before), also scratch for moves.
    CellGrid plane_[2];
    CellGrid staging_;
    void* cellsBlock_ = nullptr;
    void* stagingBlock_ = nullptr;
    std::unique_ptr<StepState> step_;
};

// The codes of AllocStatus as plain integers.
inline constexpr int kAllocOk = 0;
inline constexpr int kAllocNoMemory = 1;
inline constexpr int kAllocTooLarge = 2;

// Allocates the cells of a gridWidth × gridHeight grid (both planes), zero-filled. The size is
// refused (TooLarge) when 2 × width × height does not fit a signed 32-bit integer. Does not free
// the old block and leaves the sizes and cellsAllocated to the caller. Shows nothing: the caller
// reports a failure.
AllocResult AllocateCells(Field& field, int gridWidth, int gridHeight);
// The same for the staging grid of width × height cells (refused when width × height does not
// fit 32 bits).
AllocResult AllocateLoadArea(Field& field, int width, int height);
void FreeCells(Field& field);
void FreeLoadArea(Field& field);
// Frees each block whose flag is 1 and clears the flag.
void ReleaseField(Field& field);

// Gives the Field an empty interior of fieldWidth × fieldHeight and a staging grid kLoadMargin
// wider and taller than its grid: both blocks (the cells first), their flags and then the sizes.
// Stops at the first allocation that fails and returns it; a size too large for the blocks is
// refused by them before anything is computed from it.
AllocResult SetUpField(Field& field, int fieldWidth, int fieldHeight);

void ClearCells(Field& field);

// Forgets what the step knew about the last generations: the next step computes every tile
// that holds a cell and its neighbours.
void ResetStepTracking(Field& field);

// Sets the five size values for an interior of width × height cells.
void SetFieldSize(Field& field, int fieldWidth, int fieldHeight);

}  // namespace gb
