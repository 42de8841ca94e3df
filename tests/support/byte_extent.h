// The bounding box of the non-zero bytes of a plain width × height grid (row stride width), by
// looking at every byte: the reference the grids' own extents are checked against.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/extent.h"

namespace gb::test {

inline Extent ByteExtent(const std::int8_t* grid, int width, int height) {
    Extent e;
    e.left = width;
    e.top = height;
    e.right = e.bottom = -1;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (grid[static_cast<std::ptrdiff_t>(y) * width + x] != 0) {
                e.found = 1;
                e.left = std::min(e.left, x), e.right = std::max(e.right, x);
                e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
            }
    if (!e.found) return Extent{};
    e.width = e.right - e.left + 1;
    e.height = e.bottom - e.top + 1;
    return e;
}

}  // namespace gb::test
