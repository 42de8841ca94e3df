// Walking the live tiles of plane 0 (see CellIndex in field.h) instead of the whole Field.
#pragma once

#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/engine/field.h"

namespace gb {

// Sizes an index to a block of gridWidth × gridHeight bytes, with no tile marked.
void SizeIndex(CellIndex& index, const std::int8_t* cells, int gridWidth, int gridHeight);
// Sizes the index to the Field's block and sizes, with no tile marked: right for a block fresh
// from the zero allocator or one just cleared.
void ResetIndex(Field& field, int gridWidth, int gridHeight);
inline void ResetIndex(Field& field) { ResetIndex(field, field.gridWidth, field.gridHeight); }
// The index of the Field, built again from a scan of the whole plane when it is unknown or
// describes another block or size.
const CellIndex& EnsureIndex(const Field& field);
// Unmarks every tile, keeping the sizes.
void ClearIndex(CellIndex& index);
// Marks every tile that meets the box (grid coordinates, inclusive, clipped to the grid).
void MarkBox(CellIndex& index, int left, int top, int right, int bottom);

// Calls f(j0, j1) for every run of consecutive set bits j0 .. j1 − 1 of `count` words.
template <typename F>
void ForEachBitRun(const std::uint64_t* words, int count, F&& f) {
    int runStart = -1, runEnd = -1;
    for (int w = 0; w < count; ++w) {
        std::uint64_t bits = words[w];
        while (bits != 0) {
            const int start = std::countr_zero(bits);
            const std::uint64_t shifted = bits >> start;
            const int length = shifted == ~std::uint64_t{0} ? 64 - start : std::countr_one(shifted);
            const int j0 = w * 64 + start;
            const int j1 = j0 + length;
            if (j0 == runEnd) {
                runEnd = j1;
            } else {
                if (runStart >= 0) f(runStart, runEnd);
                runStart = j0;
                runEnd = j1;
            }
            bits = length + start >= 64 ? 0 : bits & ~(((std::uint64_t{1} << length) - 1) << start);
        }
    }
    if (runStart >= 0) f(runStart, runEnd);
}

// A box of grid cells, inclusive.
struct CellBox {
    int left, top, right, bottom;
};

// Calls f(box) for every run of marked tiles of every band, bands downwards and runs rightwards:
// the box covers the run's columns and the band's rows, border included at the edges.
template <typename F>
void ForEachLiveBox(const CellIndex& index, F&& f) {
    for (int b = index.lowBand; b <= index.highBand; ++b) {
        if (index.bandAny[static_cast<std::size_t>(b)] == 0) continue;
        const int top = index.BandTop(b), bottom = index.BandBottom(b);
        ForEachBitRun(index.Band(b), index.wordsPerBand, [&](int j0, int j1) {
            f(CellBox{index.TileLeft(j0), top, index.TileRight(j1 - 1), bottom});
        });
    }
}

// The columns of band b's runs of marked tiles, each clipped to [left, right], left to right:
// the only places a row of the band may hold a non-zero byte.
inline void LiveSpansOfBand(const CellIndex& index, int b, int left, int right,
                            std::vector<std::pair<int, int>>& spans) {
    spans.clear();
    if (index.bandAny[static_cast<std::size_t>(b)] == 0) return;
    ForEachBitRun(index.Band(b), index.wordsPerBand, [&](int j0, int j1) {
        const int l = index.TileLeft(j0) > left ? index.TileLeft(j0) : left;
        const int r = index.TileRight(j1 - 1) < right ? index.TileRight(j1 - 1) : right;
        if (l <= r) spans.emplace_back(l, r);
    });
}

// Narrows box to the smallest one holding all the non-zero bytes of plane 0 it holds; false
// (box unchanged) when it holds none.
bool ShrinkToCells(const Field& field, CellBox& box);

// Sets plane 0 to zero in every marked tile and unmarks them all (no change stamp).
void ClearPlane0(Field& field);
// Sets plane 1 to zero where the last user wrote it.
void ClearPlane1(Field& field);
// Records that plane 1 was written in the box (grid coordinates, inclusive).
void NotePlane1Box(Field& field, const CellBox& box);

// Offset of the first (last) non-zero byte of [p, p + n), or −1.
int FirstNonZero(const std::int8_t* p, int n);
int LastNonZero(const std::int8_t* p, int n);

// Sums over the cells of plane 0's interior that hold exactly 1: their count, and the sums of
// their x and of their y.
struct CentroidSums {
    double count = 0;
    double sumX = 0;
    double sumY = 0;
};
CentroidSums SumLiveCells(const Field& field);

}  // namespace gb
