#include "core/engine/cell_index.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace gb {

namespace {

std::uint64_t Word(const std::int8_t* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// True when any byte of [p, p + n) is not zero.
bool AnyNonZero(const std::int8_t* p, int n) {
    int k = 0;
    std::uint64_t acc = 0;
    for (; k + 32 <= n; k += 32) {
        acc = Word(p + k) | Word(p + k + 8) | Word(p + k + 16) | Word(p + k + 24);
        if (acc != 0) return true;
    }
    for (; k + 8 <= n; k += 8) acc |= Word(p + k);
    for (; k < n; ++k) acc |= static_cast<std::uint8_t>(p[k]);
    return acc != 0;
}

}  // namespace

int FirstNonZero(const std::int8_t* p, int n) {
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const std::uint64_t w = Word(p + k);
        if (w == 0) continue;
        if constexpr (std::endian::native == std::endian::little) return k + std::countr_zero(w) / 8;
        for (int i = k;; ++i)
            if (p[i] != 0) return i;
    }
    for (; k < n; ++k)
        if (p[k] != 0) return k;
    return -1;
}

int LastNonZero(const std::int8_t* p, int n) {
    int k = n;
    for (; k >= 8; k -= 8) {
        const std::uint64_t w = Word(p + k - 8);
        if (w == 0) continue;
        if constexpr (std::endian::native == std::endian::little)
            return k - 1 - std::countl_zero(w) / 8;
        for (int i = k - 1;; --i)
            if (p[i] != 0) return i;
    }
    for (--k; k >= 0; --k)
        if (p[k] != 0) return k;
    return -1;
}

void SizeIndex(CellIndex& x, const std::int8_t* cells, int gridWidth, int gridHeight) {
    x.cells = cells;
    x.gridWidth = gridWidth;
    x.gridHeight = gridHeight;
    x.tilesX = std::max(1, (gridWidth - 2 + CellIndex::kTileWidth - 1) / CellIndex::kTileWidth);
    x.bands = std::max(1, (gridHeight - 2 + CellIndex::kTileHeight - 1) / CellIndex::kTileHeight);
    x.wordsPerBand = (x.tilesX + 63) / 64;
    x.bits.assign(static_cast<std::size_t>(x.bands) * x.wordsPerBand, 0);
    x.bandAny.assign(static_cast<std::size_t>(x.bands), 0);
    x.lowBand = x.bands;
    x.highBand = -1;
    x.known = cells != nullptr;
}

void ResetIndex(Field& field, int gridWidth, int gridHeight) {
    SizeIndex(field.index, field.cells, gridWidth, gridHeight);
}

void MarkStagedBox(Field& field, int left, int top, int right, int bottom) {
    MarkBox(field.stagedIndex, left, top, right, bottom);
}

void ClearIndex(CellIndex& x) {
    for (int b = x.lowBand; b <= x.highBand; ++b) {
        if (x.bandAny[static_cast<std::size_t>(b)] == 0) continue;
        std::fill_n(x.bits.begin() + static_cast<std::ptrdiff_t>(b) * x.wordsPerBand, x.wordsPerBand, 0);
        x.bandAny[static_cast<std::size_t>(b)] = 0;
    }
    x.lowBand = x.bands;
    x.highBand = -1;
}

void MarkBox(CellIndex& x, int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, x.gridWidth - 1);
    bottom = std::min(bottom, x.gridHeight - 1);
    if (left > right || top > bottom) return;
    const int j0 = x.TileOfX(left), j1 = x.TileOfX(right);
    for (int b = x.BandOfY(top); b <= x.BandOfY(bottom); ++b)
        for (int j = j0; j <= j1; ++j) x.Mark(j, b);
}

const CellIndex& EnsureIndex(const Field& field) {
    CellIndex& x = field.index;
    if (x.known && x.cells == field.cells && x.gridWidth == field.gridWidth &&
        x.gridHeight == field.gridHeight)
        return x;
    ResetIndex(const_cast<Field&>(field));
    if (field.cells == nullptr) return x;
    // Band by band, row by row, word by word of the band's bits, looking only at the tiles not
    // yet marked; a dense band is done after its first row.
    const int gw = field.gridWidth;
    for (int b = 0; b < x.bands; ++b) {
        std::uint64_t* bits = x.bits.data() + static_cast<std::ptrdiff_t>(b) * x.wordsPerBand;
        for (int y = x.BandTop(b); y <= x.BandBottom(b); ++y) {
            const std::int8_t* row = field.cells + static_cast<std::ptrdiff_t>(y) * gw;
            bool open = false;
            for (int w = 0; w < x.wordsPerBand; ++w) {
                const int j0 = 64 * w, j1 = std::min(j0 + 64, x.tilesX);
                const std::uint64_t all = j1 - j0 == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (j1 - j0)) - 1;
                std::uint64_t found = bits[w];
                for (std::uint64_t todo = all & ~found; todo != 0; todo &= todo - 1) {
                    const int j = j0 + std::countr_zero(todo);
                    const int left = x.TileLeft(j), n = x.TileRight(j) - left + 1;
                    bool any;
                    if (n == CellIndex::kTileWidth) {  // the usual tile, in eight words
                        std::uint64_t acc = 0;
                        for (int k = 0; k < CellIndex::kTileWidth; k += 8) acc |= Word(row + left + k);
                        any = acc != 0;
                    } else {
                        any = AnyNonZero(row + left, n);
                    }
                    if (any) found |= std::uint64_t{1} << (j - j0);
                }
                bits[w] = found;
                open = open || found != all;
            }
            if (!open) break;
        }
        for (int w = 0; w < x.wordsPerBand; ++w)
            if (bits[w] != 0) {
                x.bandAny[static_cast<std::size_t>(b)] = 1;
                x.lowBand = std::min(x.lowBand, b);
                x.highBand = std::max(x.highBand, b);
                break;
            }
    }
    return x;
}

bool ShrinkToCells(const Field& field, CellBox& box) {
    const int gw = field.gridWidth, n = box.right - box.left + 1;
    const auto row = [&](int y) { return field.cells + static_cast<std::ptrdiff_t>(y) * gw + box.left; };
    int top = box.top;
    while (top <= box.bottom && !AnyNonZero(row(top), n)) ++top;
    if (top > box.bottom) return false;
    int bottom = box.bottom;
    while (!AnyNonZero(row(bottom), n)) --bottom;
    int left = n, right = -1;
    for (int y = top; y <= bottom; ++y) {
        const int first = FirstNonZero(row(y), left);
        if (first >= 0) left = first;
        const int last = LastNonZero(row(y) + right + 1, n - right - 1);
        if (last >= 0) right += last + 1;
    }
    box = CellBox{box.left + left, top, box.left + right, bottom};
    return true;
}

void ClearPlane0(Field& field) {
    if (field.cells == nullptr) return;
    const CellIndex& index = EnsureIndex(field);
    const int gw = field.gridWidth;
    // A marked tile need not hold cells (a writer may mark a whole box): rows already zero are
    // left unwritten, so their pages are never made.
    ForEachLiveBox(index, [&](const CellBox& box) {
        const int n = box.right - box.left + 1;
        for (int y = box.top; y <= box.bottom; ++y) {
            std::int8_t* row = field.cells + static_cast<std::ptrdiff_t>(y) * gw + box.left;
            if (AnyNonZero(row, n)) std::memset(row, 0, static_cast<std::size_t>(n));
        }
    });
    ClearIndex(field.index);
}

void ClearPlane1(Field& field) {
    DirtyBox& d = field.plane1Dirty;
    if (!d.any || field.cells == nullptr) {
        d = DirtyBox{};
        return;
    }
    if (d.gridWidth != field.gridWidth) {
        std::memset(field.plane1(), 0, static_cast<std::size_t>(field.planeSize));
    } else {
        const int top = std::max(d.top, 0), bottom = std::min(d.bottom, field.gridHeight - 1);
        const int left = std::max(d.left, 0), right = std::min(d.right, field.gridWidth - 1);
        if (left <= right)
            for (int y = top; y <= bottom; ++y)
                std::memset(field.plane1() + static_cast<std::ptrdiff_t>(y) * field.gridWidth + left,
                            0, static_cast<std::size_t>(right - left + 1));
    }
    d = DirtyBox{};
}

void NotePlane1Box(Field& field, const CellBox& box) {
    DirtyBox& d = field.plane1Dirty;
    if (d.any && d.gridWidth == field.gridWidth) {
        d.left = std::min(d.left, box.left);
        d.top = std::min(d.top, box.top);
        d.right = std::max(d.right, box.right);
        d.bottom = std::max(d.bottom, box.bottom);
    } else if (!d.any) {
        d = DirtyBox{true, field.gridWidth, box.left, box.top, box.right, box.bottom};
    }
}

void NotePlane1Written(Field& field) {
    field.plane1Dirty = DirtyBox{true, field.gridWidth, 0, 0, field.gridWidth - 1, field.gridHeight - 1};
}

void NoteCellsWritten(Field& field, int left, int top, int right, int bottom) {
    ++field.changeStamp;
    if (field.index.known) MarkBox(field.index, left, top, right, bottom);
}

CentroidSums SumLiveCells(const Field& field) {
    CentroidSums sums;
    if (field.cells == nullptr) return sums;
    const CellIndex& index = EnsureIndex(field);
    const int gw = field.gridWidth, gh = field.gridHeight;
    // Whole numbers far below 2^53: the sums are exact, whatever the order of the additions.
    ForEachLiveBox(index, [&](const CellBox& box) {
        const int x0 = std::max(box.left, 1), x1 = std::min(box.right, gw - 2);
        const int y0 = std::max(box.top, 1), y1 = std::min(box.bottom, gh - 2);
        for (int y = y0; y <= y1; ++y) {
            const std::int8_t* row = field.cells + static_cast<std::ptrdiff_t>(y) * gw;
            double rowCount = 0, rowSum = 0;
            for (int xx = x0; xx <= x1; ++xx)
                if (row[xx] == 1) {
                    rowSum += xx;
                    rowCount += 1;
                }
            sums.sumX += rowSum;
            sums.sumY += rowCount * y;
            sums.count += rowCount;
        }
    });
    return sums;
}

}  // namespace gb
