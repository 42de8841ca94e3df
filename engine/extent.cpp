#include "engine/extent.h"

#include <bit>
#include <cstddef>

#include "engine/field.h"

namespace gb {

Extent GridExtent(const std::int8_t* g, int w, int h) {
    Extent e;
    const auto at = [g, w](int x, int y) { return g[static_cast<std::ptrdiff_t>(y) * w + x]; };
    // Top: rows downwards, each row left to right.
    int top = -1;
    for (int y = 0; y < h && top < 0; ++y) {
        const std::int8_t* row = g + static_cast<std::ptrdiff_t>(y) * w;
        for (int x = 0; x < w; ++x)
            if (row[x] != 0) {
                top = y;
                break;
            }
    }
    if (top < 0) return e;
    e.found = 1;
    e.top = top;
    // Left: columns rightwards, each from row top down.
    e.left = w - 1;
    for (int x = 0; x < w; ++x) {
        bool hit = false;
        for (int y = top; y < h; ++y)
            if (at(x, y) != 0) {
                hit = true;
                break;
            }
        if (hit) {
            e.left = x;
            break;
        }
    }
    // Bottom: rows upwards from the last, each from column left.
    e.bottom = top;
    for (int y = h - 1; y >= top; --y) {
        bool hit = false;
        const std::int8_t* row = g + static_cast<std::ptrdiff_t>(y) * w;
        for (int x = e.left; x < w; ++x)
            if (row[x] != 0) {
                hit = true;
                break;
            }
        if (hit) {
            e.bottom = y;
            break;
        }
    }
    // Right: columns leftwards from the last, each from row top to bottom.
    e.right = e.left;
    for (int x = w - 1; x >= e.left; --x) {
        bool hit = false;
        for (int y = top; y <= e.bottom; ++y)
            if (at(x, y) != 0) {
                hit = true;
                break;
            }
        if (hit) {
            e.right = x;
            break;
        }
    }
    e.width = e.right - e.left + 1;
    e.height = e.bottom - e.top + 1;
    return e;
}

Extent FieldExtent(const Field& field) { return field.cells().extent(); }

Extent LoadAreaExtent(const Field& field) { return field.staged().extent(); }

CentroidSums SumLiveCells(const Field& field) {
    // Whole numbers well below 2^53, so the sums are exact in any order.
    std::int64_t count = 0, sumX = 0, sumY = 0;
    const CellGrid& g = field.cells();
    // Bit positions with bit j of their index set, to weigh a word's bits by their column.
    static constexpr std::uint64_t kPlaces[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull,
                                                 0xF0F0F0F0F0F0F0F0ull, 0xFF00FF00FF00FF00ull,
                                                 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
    g.forEachLiveTile([&](int tx, int ty) {
        for (int r = 0; r < CellGrid::kTileHeight; ++r) {
            const int y = ty * CellGrid::kTileHeight + r;
            if (y >= g.height()) break;
            const std::uint64_t w = g.word(tx, y);
            if (w == 0) continue;
            const int n = std::popcount(w);
            std::int64_t places = 0;
            for (int j = 0; j < 6; ++j) places += std::int64_t{std::popcount(w & kPlaces[j])} << j;
            count += n;
            sumX += std::int64_t{n} * (tx * CellGrid::kTileWidth) + places;
            sumY += std::int64_t{n} * y;
        }
    });
    return CentroidSums{static_cast<double>(count), static_cast<double>(sumX), static_cast<double>(sumY)};
}

}  // namespace gb
