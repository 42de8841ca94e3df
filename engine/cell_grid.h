// A grid of cells stored one bit per cell, in tiles of 64 columns by 16 rows.
//
// Tile (tx, ty) holds columns 64 tx .. 64 tx + 63 and rows 16 ty .. 16 ty + 15 as 16 words, one
// per row, bit k of a word being column 64 tx + k; the tiles follow each other row of tiles by
// row of tiles, so a tile's rows share a cache line pair and a page. Cells past the width or
// height (the last tiles' padding) are always dead.
//
// The grid knows where its cells are by construction: every write goes through it and keeps the
// number of live cells of each tile, a bit per tile that is set exactly when the tile has one,
// and the total. It also keeps a journal of the tiles written since the journal was last taken,
// which the step uses to know where the pattern was changed from outside.
//
// The memory lives in one zero-filled block the owner allocates (BlockBytes) and hands over with
// Attach; untouched parts of the block are never written, so an empty grid costs address space.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace gb {

struct Extent;
struct Field;
struct Rule;

class CellGrid {
public:
    static constexpr int kTileWidth = 64;
    static constexpr int kTileHeight = 16;

    CellGrid() = default;
    CellGrid(const CellGrid&) = delete;
    CellGrid& operator=(const CellGrid&) = delete;

    // Bytes of the zero-filled block a width × height grid needs (64-byte aligned use included).
    static std::size_t BlockBytes(int width, int height);
    // Lays the grid out in block (zero-filled, BlockBytes(width, height) long). No cell is live.
    void Attach(void* block, int width, int height);
    // Forgets the block (the owner frees it).
    void Detach();
    bool attached() const { return words_ != nullptr; }

    int width() const { return width_; }
    int height() const { return height_; }
    int tilesX() const { return tilesX_; }
    int tilesY() const { return tilesY_; }
    int tileCount() const { return tilesX_ * tilesY_; }

    // Cell (x, y); false outside the grid.
    bool get(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        return (words_[WordIndex(x, y)] >> (x & 63) & 1) != 0;
    }
    // Sets or clears cell (x, y); a position outside the grid is ignored.
    void set(int x, int y, bool live);
    // Makes cells x0 .. x1 of row y live (clipped to the grid).
    void fillSpan(int y, int x0, int x1);
    // ORs `count` cells of bits (bit i of bits[i / 64] is cell x0 + i) into row y, clipped to
    // the grid.
    void orBits(int y, int x0, const std::uint64_t* bits, int count);
    // Sets the 64 cells of tile column tx in row y to value (orWord: ORs them); bits past the
    // width are dropped.
    void setWord(int tx, int y, std::uint64_t value);
    void orWord(int tx, int y, std::uint64_t value) { setWord(tx, y, word(tx, y) | value); }
    // Every cell dead; only tiles with a live cell are written.
    void clear();

    std::int64_t population() const { return population_; }
    bool empty() const { return liveTiles_ == 0; }
    // Bounding box of the live cells (found 0 when there is none).
    Extent extent() const;

    // The 64 cells of tile column tx in row y.
    std::uint64_t word(int tx, int y) const { return words_[TileBase(tx, y >> 4) + (y & 15)]; }
    // The 64 cells of row y from column x on, cell x + i as bit i (cells past the width dead);
    // 0 <= x < width, 0 <= y < height.
    std::uint64_t bitsAt(int x, int y) const {
        const int tx = x >> 6, off = x & 63, ty = y >> 4;
        std::uint64_t v = tileLive(tx, ty) ? word(tx, y) >> off : 0;
        if (off != 0 && tx + 1 < tilesX_ && tileLive(tx + 1, ty))
            v |= word(tx + 1, y) << (64 - off);
        return v;
    }
    // True when tile (tx, ty) holds a live cell.
    bool tileLive(int tx, int ty) const {
        const int t = ty * tilesX_ + tx;
        return (occupied_[t >> 6] >> (t & 63) & 1) != 0;
    }
    int tilePopulation(int tx, int ty) const { return tilePop_[ty * tilesX_ + tx]; }
    // True when any tile of tile row ty holds a live cell.
    bool tileRowLive(int ty) const;
    // Calls f(tx, ty) for every tile with a live cell, rows of tiles downwards, each rightwards.
    template <typename F>
    void forEachLiveTile(F&& f) const {
        const int tiles = tileCount();
        int ty = 0, rowStart = 0;  // the tile row of the last tile found, and its first tile
        for (int w = 0, words = (tiles + 63) >> 6; w < words; ++w) {
            std::uint64_t bits = occupied_[w];
            while (bits != 0) {
                const int t = w * 64 + std::countr_zero(bits);
                bits &= bits - 1;
                if (t - rowStart >= tilesX_) {  // the tiles come in order: no division needed
                    const int rows = (t - rowStart) < 2 * tilesX_ ? 1 : (t - rowStart) / tilesX_;
                    ty += rows;
                    rowStart += rows * tilesX_;
                }
                f(t - rowStart, ty);
            }
        }
    }
    // Calls f(x0, x1) for every run of live cells x0 .. x1 (inclusive) of row y within columns
    // left .. right, left to right.
    template <typename F>
    void forEachRun(int y, int left, int right, F&& f) const;
    // The first (last) live column of row y within left .. right, or -1.
    int firstLive(int y, int left, int right) const;
    int lastLive(int y, int left, int right) const;
    // True when row y holds a live cell within left .. right.
    bool anyLive(int y, int left, int right) const { return firstLive(y, left, right) >= 0; }

    // Copies the live cells of src whose positions lie in [srcLeft, srcRight] × [srcTop,
    // srcBottom] into this grid, moved by (dx, dy) and ORed with what is here; cells landing
    // outside [clipLeft, clipRight] × [clipTop, clipBottom] of this grid are dropped.
    void orFrom(const CellGrid& src, int srcLeft, int srcTop, int srcRight, int srcBottom, int dx,
                int dy, int clipLeft, int clipTop, int clipRight, int clipBottom);

    // The tiles written since the last TakeJournal, each once; the journal is emptied.
    void TakeJournal(std::vector<int>& tiles);
    bool journalEmpty() const { return journal_.empty(); }

    // Tile t's 16 row words into rows[0 .. 16); whether they equal rows[0 .. 16).
    void copyTile(int t, std::uint64_t* rows) const;
    bool sameTile(int t, const std::uint64_t* rows) const;

    // Asks for huge pages when other (of the same size) has asked for them.
    void adviseLike(const CellGrid& other) {
        if (other.advised_ && !advised_) AdviseDense();
    }
    // Swaps every cell, count and journal with other (same sizes).
    void swap(CellGrid& other);

private:
    friend struct Field;
    friend void AdvanceGeneration(Field& field, const Rule& rule);
    friend std::uint64_t HashTile(const CellGrid& grid, std::int32_t t);
    friend void HashTiles(const CellGrid& grid, const std::int32_t* tiles, std::size_t count,
                          std::uint64_t* out);

    // For the step: access to a tile's 16 words (nullptr outside the grid), and the
    // bookkeeping of a tile it rewrote.
    const std::uint64_t* tileWords(int tx, int ty) const {
        if (tx < 0 || ty < 0 || tx >= tilesX_ || ty >= tilesY_) return nullptr;
        return words_ + TileBase(tx, ty);
    }
    std::uint64_t* mutableTileWords(int t) { return words_ + static_cast<std::ptrdiff_t>(t) * 16; }
    // The step wrote tile t directly; it now holds pop live cells.
    void settleTile(int t, int pop) {
        std::uint16_t& old = tilePop_[t];
        population_ += pop - old;
        old = static_cast<std::uint16_t>(pop);
        setOccupied(t, pop != 0);
    }
    // The step found tile t's cells all dead: it is cleared without a journal entry.
    void wipeTile(int t) {
        std::uint64_t* w = mutableTileWords(t);
        for (int r = 0; r < 16; ++r) w[r] = 0;
        settleTile(t, 0);
    }
    // Adds tile t to the journal.
    void note(int t) {
        std::uint64_t& w = journalBits_[t >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (t & 63);
        if ((w & bit) != 0) return;
        w |= bit;
        journal_.push_back(t);
    }

    void setOccupied(int t, bool live) {
        std::uint64_t& w = occupied_[t >> 6];
        const std::uint64_t bit = std::uint64_t{1} << (t & 63);
        if (((w & bit) != 0) == live) return;
        w ^= bit;
        liveTiles_ += live ? 1 : -1;
        if (live && !advised_ && liveTiles_ * 16 > tileCount()) AdviseDense();
    }
    // The grid is filling densely: the rest of its words are asked for in huge pages, whose
    // first touch costs a fraction of 4 KB pages'. A few cells far apart never get here.
    void AdviseDense();
    std::ptrdiff_t TileBase(int tx, int ty) const {
        return (static_cast<std::ptrdiff_t>(ty) * tilesX_ + tx) * 16;
    }
    std::ptrdiff_t WordIndex(int x, int y) const { return TileBase(x >> 6, y >> 4) + (y & 15); }
    // Rewrites word (tx, y) as value and keeps the counts; value has no bit past the width.
    void store(int tx, int y, std::uint64_t value);

    int width_ = 0, height_ = 0, tilesX_ = 0, tilesY_ = 0;
    std::uint64_t* words_ = nullptr;        // tileCount() × 16 words
    std::uint16_t* tilePop_ = nullptr;      // live cells per tile
    std::uint64_t* occupied_ = nullptr;     // a bit per tile: it has a live cell
    std::uint64_t* journalBits_ = nullptr;  // a bit per tile: it is in journal_
    std::vector<int> journal_;
    std::int64_t population_ = 0;
    std::int64_t liveTiles_ = 0;
    bool advised_ = false;  // AdviseDense was called for this block
};

template <typename F>
void CellGrid::forEachRun(int y, int left, int right, F&& f) const {
    if (y < 0 || y >= height_) return;
    if (left < 0) left = 0;
    if (right >= width_) right = width_ - 1;
    if (left > right) return;
    const int ty = y >> 4;
    int runStart = -1;
    for (int tx = left >> 6, last = right >> 6; tx <= last; ++tx) {
        const int base = tx * 64;
        std::uint64_t w = tileLive(tx, ty) ? word(tx, y) : 0;
        if (tx == left >> 6) w &= ~std::uint64_t{0} << (left & 63);
        if (tx == last && (right & 63) != 63) w &= (std::uint64_t{1} << ((right & 63) + 1)) - 1;
        int pos = 0;  // bits below pos are done
        while (pos < 64) {
            if (runStart < 0) {
                const std::uint64_t rest = pos == 0 ? w : w & (~std::uint64_t{0} << pos);
                if (rest == 0) break;
                pos = std::countr_zero(rest);
                runStart = base + pos;
            } else {
                const std::uint64_t gaps =
                    ~w & (pos == 0 ? ~std::uint64_t{0} : ~std::uint64_t{0} << pos);
                if (gaps == 0) break;  // the run goes on into the next word
                pos = std::countr_zero(gaps);
                f(runStart, base + pos - 1);
                runStart = -1;
            }
        }
        if (runStart >= 0 && tx == last) {
            f(runStart, right);
            runStart = -1;
        }
    }
}

}  // namespace gb
