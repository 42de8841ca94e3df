#include "engine/extent.h"

#include <bit>
#include <cstddef>

#include "engine/field.h"

namespace gb {

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
    return CentroidSums{static_cast<double>(count), static_cast<double>(sumX),
                        static_cast<double>(sumY)};
}

}  // namespace gb
