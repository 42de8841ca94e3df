#include "core/engine/extent.h"

#include <cstddef>

#include <algorithm>
#include <vector>

#include "core/engine/cell_index.h"
#include "core/engine/field.h"

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

namespace {

// True when row y holds a non-zero byte in a marked tile of band b.
bool RowHasCells(const Field& f, const CellIndex& index, int b, int y) {
    const std::int8_t* row = f.cells + static_cast<std::ptrdiff_t>(y) * f.gridWidth;
    bool hit = false;
    ForEachBitRun(index.Band(b), index.wordsPerBand, [&](int j0, int j1) {
        if (hit) return;
        const int left = index.TileLeft(j0);
        hit = FirstNonZero(row + left, index.TileRight(j1 - 1) - left + 1) >= 0;
    });
    return hit;
}

// The first (last) row with a non-zero byte, searching the marked bands from the top (bottom).
int EdgeRow(const Field& f, const CellIndex& index, bool fromTop) {
    const int step = fromTop ? 1 : -1;
    for (int b = fromTop ? index.lowBand : index.highBand; b >= index.lowBand && b <= index.highBand;
         b += step) {
        if (index.bandAny[static_cast<std::size_t>(b)] == 0) continue;
        const int first = fromTop ? index.BandTop(b) : index.BandBottom(b);
        const int last = fromTop ? index.BandBottom(b) : index.BandTop(b);
        for (int y = first; y != last + step; y += step)
            if (RowHasCells(f, index, b, y)) return y;
    }
    return -1;
}

// The least (greatest) column holding a non-zero byte in rows top .. bottom: tile columns are
// tried from the left (right); the first one with any cell gives the answer.
int EdgeColumn(const Field& f, const CellIndex& index, int top, int bottom, bool fromLeft) {
    const int b0 = index.BandOfY(top), b1 = index.BandOfY(bottom);
    std::vector<std::uint64_t> columns(static_cast<std::size_t>(index.wordsPerBand), 0);
    for (int b = b0; b <= b1; ++b)
        if (index.bandAny[static_cast<std::size_t>(b)] != 0)
            for (int w = 0; w < index.wordsPerBand; ++w) columns[static_cast<std::size_t>(w)] |= index.Band(b)[w];
    const int gw = f.gridWidth;
    for (int k = 0; k < index.tilesX; ++k) {
        const int j = fromLeft ? k : index.tilesX - 1 - k;
        if ((columns[static_cast<std::size_t>(j >> 6)] >> (j & 63) & 1) == 0) continue;
        const int left = index.TileLeft(j), n = index.TileRight(j) - left + 1;
        int best = -1;
        for (int b = b0; b <= b1; ++b) {
            if (!index.Has(j, b)) continue;
            const int y0 = std::max(index.BandTop(b), top), y1 = std::min(index.BandBottom(b), bottom);
            for (int y = y0; y <= y1; ++y) {
                const std::int8_t* p = f.cells + static_cast<std::ptrdiff_t>(y) * gw + left;
                // Only columns beyond the best so far can improve it.
                if (fromLeft) {
                    if (best >= 0 && best <= 8) {  // a few bytes: no call
                        for (int k = 0; k < best; ++k)
                            if (p[k] != 0) {
                                best = k;
                                break;
                            }
                        continue;
                    }
                    const int at = FirstNonZero(p, best < 0 ? n : best);
                    if (at >= 0) best = at;
                } else {
                    const int from = best + 1;  // 0 while nothing is found
                    if (best >= 0 && n - from <= 8) {
                        for (int k = n - 1; k >= from; --k)
                            if (p[k] != 0) {
                                best = k;
                                break;
                            }
                        continue;
                    }
                    const int at = LastNonZero(p + from, n - from);
                    if (at >= 0) best = from + at;
                }
            }
        }
        if (best >= 0) return left + best;
    }
    return -1;
}

}  // namespace

Extent FieldExtent(const Field& field) {
    Extent e;
    if (field.cells == nullptr) return e;
    // Only the marked tiles are looked at; the box is the one the whole-grid scan gives.
    const CellIndex& index = EnsureIndex(field);
    const int top = EdgeRow(field, index, true);
    if (top < 0) return e;
    e.found = 1;
    e.top = top;
    e.bottom = EdgeRow(field, index, false);
    e.left = EdgeColumn(field, index, e.top, e.bottom, true);
    e.right = EdgeColumn(field, index, e.top, e.bottom, false);
    e.width = e.right - e.left + 1;
    e.height = e.bottom - e.top + 1;
    return e;
}

Extent LoadAreaExtent(const Field& field) {
    return GridExtent(field.loadArea, field.loadWidth, field.loadHeight);
}

}  // namespace gb
