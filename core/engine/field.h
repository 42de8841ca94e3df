// The Field: the one bounded grid of cells, its staging grid and the counters that travel with it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gb {

struct Context;

inline constexpr int kDefaultFieldSide = 1200;
inline constexpr int kLoadMargin = 1000;  // loadArea is this much wider and taller than the grid

// Zero-filled allocation used for both blocks; swappable so tests can make memory "run out".
using ZeroAllocator = void* (*)(std::size_t bytes);
void* DefaultZeroAllocator(std::size_t bytes);

// Which tiles of plane 0 may hold a non-zero byte. The tiles are the step's: 64 columns by 16 rows
// starting at cell (1, 1), so tile column j covers x = 1 + 64 j .. 64 + 64 j and band b covers
// y = 1 + 16 b .. 16 + 16 b; the first and last tile columns and bands also take in the border
// next to them. A clear bit promises zeros in the whole tile; a set bit promises nothing.
// Every writer of plane 0 keeps it (setCell, NoteCellsWritten, NoteCellWritten, the step, moves,
// resizes, clears). A writer that cannot say where it wrote calls NoteCellsChanged, which leaves
// the index unknown until the next user builds it again from a scan of the whole plane.
struct CellIndex {
    static constexpr int kTileWidth = 64;
    static constexpr int kTileHeight = 16;

    bool known = false;
    const std::int8_t* cells = nullptr;  // the block and sizes it describes
    int gridWidth = 0;
    int gridHeight = 0;
    int tilesX = 0;
    int bands = 0;
    int wordsPerBand = 0;
    std::vector<std::uint64_t> bits;  // band b's tiles at words b × wordsPerBand ..
    std::vector<std::uint8_t> bandAny;  // one flag per band: it may have a set bit
    int lowBand = 0;    // every band with a set bit lies in lowBand .. highBand
    int highBand = -1;

    int TileOfX(int x) const {
        const int j = (x - 1) >> 6;
        return j < 0 ? 0 : (j >= tilesX ? tilesX - 1 : j);
    }
    int BandOfY(int y) const {
        const int b = (y - 1) >> 4;
        return b < 0 ? 0 : (b >= bands ? bands - 1 : b);
    }
    int TileLeft(int j) const { return j == 0 ? 0 : 1 + j * kTileWidth; }
    int TileRight(int j) const { return j == tilesX - 1 ? gridWidth - 1 : (j + 1) * kTileWidth; }
    int BandTop(int b) const { return b == 0 ? 0 : 1 + b * kTileHeight; }
    int BandBottom(int b) const { return b == bands - 1 ? gridHeight - 1 : (b + 1) * kTileHeight; }
    const std::uint64_t* Band(int b) const {
        return bits.data() + static_cast<std::ptrdiff_t>(b) * wordsPerBand;
    }
    bool Has(int j, int b) const { return (Band(b)[j >> 6] >> (j & 63) & 1) != 0; }
    void Mark(int j, int b) {
        bits[static_cast<std::size_t>(b) * wordsPerBand + static_cast<std::size_t>(j >> 6)] |=
            std::uint64_t{1} << (j & 63);
        bandAny[static_cast<std::size_t>(b)] = 1;
        if (b < lowBand) lowBand = b;
        if (b > highBand) highBand = b;
    }
    void MarkCell(int x, int y) { Mark(TileOfX(x), BandOfY(y)); }
};

// Where plane 1 may hold non-zero bytes: a box of grid rows and columns, for a plane gridWidth
// wide. Whoever uses plane 1 clears this box first and records what it wrote.
struct DirtyBox {
    bool any = false;
    int gridWidth = 0;
    int left = 0, top = 0, right = -1, bottom = -1;  // inclusive
};

// What the fast step (core/engine/step.cpp) remembers between generations: which tiles of the Field can
// change in the next generation, the live cells of every tile and a few buffers. It describes the
// Field only while `valid` is set, `stamp` equals the Field's changeStamp and cells, sizes and rule
// are the ones it was built for; otherwise the next step looks at the whole Field again.
struct StepTracking {
    bool valid = false;
    std::uint64_t stamp = 0;
    const std::int8_t* cells = nullptr;
    int gridWidth = 0;
    int gridHeight = 0;
    std::array<int, 9> survivalTable{};
    std::array<int, 9> birthTable{};
    bool clean = false;  // plane 0 holds only codes 0 and 1 and the tables give only 0 and 1

    int tilesX = 0;        // tile columns (64 cells wide)
    int bands = 0;         // tile rows (bands of rows)
    int wordsPerBand = 0;  // 64-bit words of one band's tile bits
    std::vector<std::uint64_t> active, next;      // one bit per tile: compute it this/next step
    std::vector<std::uint8_t> activeBand, nextBand;  // one flag per band: any bit set
    std::vector<int> activeBands;                 // the bands flagged in activeBand, in order
    std::vector<int> nextBands[2];                // per worker: the bands it flagged in nextBand
    std::int64_t borderPopulation = 0;            // non-zero border bytes (never written by steps)
    std::int64_t population = 0;                  // non-zero bytes of plane 0, border included

    std::vector<std::int8_t> scratch;           // work rows, saved rows and band copies
    std::vector<std::uint64_t> masks;           // per worker: changed-cell masks of one band

    // The last full count of plane 0 by a scan, kept while nothing has written the plane since
    // (the same stamp and block, and no step in between), so that repeated frames of a Field
    // that is not running do not scan it again.
    mutable bool scanValid = false;
    mutable std::uint64_t scanStamp = 0;
    mutable const std::int8_t* scanCells = nullptr;
    mutable int scanPlaneSize = 0;
    mutable std::int64_t scanPopulation = 0;
};

struct Field {
    // Sizes. Whoever changes fieldWidth or fieldHeight sets all five together.
    int fieldWidth = kDefaultFieldSide;
    int fieldHeight = kDefaultFieldSide;
    int gridWidth = kDefaultFieldSide + 2;
    int gridHeight = kDefaultFieldSide + 2;
    int planeSize = (kDefaultFieldSide + 2) * (kDefaultFieldSide + 2);
    int loadWidth = kDefaultFieldSide + 2 + kLoadMargin;
    int loadHeight = kDefaultFieldSide + 2 + kLoadMargin;

    // Two planes of planeSize bytes: plane 0 the current generation, plane 1 scratch.
    std::int8_t* cells = nullptr;
    std::int8_t* loadArea = nullptr;
    int cellsAllocated = 0;
    int loadAreaAllocated = 0;

    std::int32_t generation = 0;
    double population = 0;
    int busy = 0;
    // True while the field-size command rebuilds the blocks: a frame drawn then (from a message
    // box's nested loop) must draw nothing, since a block may be released or not yet carried.
    bool rebuilding = false;

    ZeroAllocator allocate = DefaultZeroAllocator;

    // Bumped whenever plane 0 is written other than by the step, so a step that keeps track of
    // where life is knows when to look at the whole Field again.
    std::uint64_t changeStamp = 0;

    // The fast step's memory; reset whenever the cells are reallocated or resized.
    StepTracking tracking;

    // Where plane 0 may hold live cells, and the part of plane 1 the last user wrote.
    mutable CellIndex index;
    DirtyBox plane1Dirty;

    Field() = default;
    Field(const Field&) = delete;
    Field& operator=(const Field&) = delete;
    ~Field();

    std::int8_t* plane0() { return cells; }
    std::int8_t* plane1() { return cells + planeSize; }
    const std::int8_t* plane0() const { return cells; }
    const std::int8_t* plane1() const { return cells + planeSize; }

    // Cell (x, y) of plane 0; no bounds check.
    std::int8_t& at(int x, int y) { return cells[static_cast<std::ptrdiff_t>(y) * gridWidth + x]; }
    std::int8_t at(int x, int y) const { return cells[static_cast<std::ptrdiff_t>(y) * gridWidth + x]; }
    bool isInterior(int x, int y) const {
        return x > 0 && x < gridWidth - 1 && y > 0 && y < gridHeight - 1;
    }
    // Sets an interior cell of plane 0; a border or outside position is refused.
    bool setCell(int x, int y, std::int8_t value) {
        if (!isInterior(x, y)) return false;
        at(x, y) = value;
        ++changeStamp;
        if (value != 0 && index.known) index.MarkCell(x, y);
        return true;
    }

    // Where loadArea may hold non-zero bytes: every writer of the staging grid widens this box
    // (inclusive staging coordinates; empty while stagedTop > stagedBottom), so clearing it
    // before the next use clears only the box, and a freshly allocated (zero) block is never
    // cleared at all. While stagedTight is set, only non-zero bytes were written since the last
    // clear, so the box is exactly the staged cells' extent.
    int stagedLeft = 0, stagedTop = 0, stagedRight = -1, stagedBottom = -1;
    bool stagedTight = true;
    // The tiles of loadArea (staging coordinates, the same 64 × 16 tiles as plane 0's index) that
    // may hold non-zero bytes, widened by every NoteStagedCells: clearing the staging grid and
    // placing its cells walk only these, so a few cells staged far apart cost only their tiles.
    CellIndex stagedIndex;
};

// Result codes of the allocations.
inline constexpr int kAllocOk = 0;
inline constexpr int kAllocNoMemory = 1;
inline constexpr int kAllocTooLarge = 2;

// Allocates 2 × width × height zero-filled bytes into field.cells. Does not free the old block and
// leaves the sizes and cellsAllocated to the caller.
int AllocateCells(Context& ctx, int gridWidth, int gridHeight);
// The same for loadArea with width × height bytes.
int AllocateLoadArea(Context& ctx, int width, int height);
void FreeCells(Field& field);
void FreeLoadArea(Field& field);
// Frees each block whose flag is 1 and clears the flag.
void ReleaseField(Field& field);

// Builds the default 1200 × 1200 Field. On failure: the allocation's box, the start-up box and
// the end of the process with status 1.
void InitField(Context& ctx);
void ClearCells(Field& field);
// Every writer of plane 0 other than the step and setCell calls this, or one of the two
// below, after writing. This one is for a writer that cannot say where it wrote: the index of
// live tiles is built again from a whole-plane scan when next needed.
inline void NoteCellsChanged(Field& field) {
    ++field.changeStamp;
    field.index.known = false;
}
// The same for a writer that knows the box it wrote (grid coordinates, inclusive; clipped to
// the grid).
void NoteCellsWritten(Field& field, int left, int top, int right, int bottom);
// The same for a single cell (x, y) of the grid.
inline void NoteCellWritten(Field& field, int x, int y) {
    ++field.changeStamp;
    if (field.index.known) field.index.MarkCell(x, y);
}
// Records that plane 1 was written anywhere (the next user clears all of it).
void NotePlane1Written(Field& field);
// The staging grid holds nothing (a fresh block, or one just cleared).
inline void ForgetStagedCells(Field& field) {
    field.stagedLeft = field.stagedTop = 0;
    field.stagedRight = field.stagedBottom = -1;
    field.stagedTight = true;
}
// A writer of loadArea wrote within this box (staging coordinates, inclusive); nonZeroOnly
// when every byte it wrote there is non-zero and the box is that of the bytes written.
void MarkStagedBox(Field& field, int left, int top, int right, int bottom);
inline void NoteStagedCells(Field& field, int left, int top, int right, int bottom, bool nonZeroOnly) {
    if (left > right || top > bottom) return;
    MarkStagedBox(field, left, top, right, bottom);
    if (field.stagedTop > field.stagedBottom) {
        field.stagedLeft = left, field.stagedTop = top, field.stagedRight = right, field.stagedBottom = bottom;
        field.stagedTight = nonZeroOnly;
        return;
    }
    field.stagedLeft = left < field.stagedLeft ? left : field.stagedLeft;
    field.stagedTop = top < field.stagedTop ? top : field.stagedTop;
    field.stagedRight = right > field.stagedRight ? right : field.stagedRight;
    field.stagedBottom = bottom > field.stagedBottom ? bottom : field.stagedBottom;
    field.stagedTight = field.stagedTight && nonZeroOnly;
}
// Ends the process (status 1, after a box) when either block is missing.
void CheckMemory(Context& ctx);
// The program's memory failure: the box "メモリ領域が確保できないため終了します。", the blocks
// released, the end of the process with status 1. Also where an operation that ran out of
// memory ends.
[[noreturn]] void EndForLackOfMemory(Context& ctx);
// 1 when the most recent frame counted any live cell.
int HasLiveCells(const Field& field);

// Forgets what the fast step knew about the Field: the next step looks at all of it.
void ResetStepTracking(Field& field);

// Sets the five size values for an interior of width × height cells.
void SetFieldSize(Field& field, int fieldWidth, int fieldHeight);

}  // namespace gb
