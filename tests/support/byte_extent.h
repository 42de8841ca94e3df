// The bounding box of the non-zero bytes of a plain width × height grid (row stride width), by
// looking at every byte: the reference the grids' own extents are checked against; and the check
// that two extents are the same.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

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

// Both found nothing, or both found the same box.
inline ::testing::AssertionResult SameExtent(const Extent& a, const Extent& b) {
    if (a.found == b.found &&
        (!a.found || (a.left == b.left && a.top == b.top && a.right == b.right &&
                      a.bottom == b.bottom && a.width == b.width && a.height == b.height)))
        return ::testing::AssertionSuccess();
    const auto box = [](const Extent& e) {
        return e.found ? std::to_string(e.left) + " " + std::to_string(e.top) + " " +
                             std::to_string(e.right) + " " + std::to_string(e.bottom) + " " +
                             std::to_string(e.width) + " " + std::to_string(e.height)
                       : std::string("none");
    };
    return ::testing::AssertionFailure() << "extent " << box(a) << ", expected " << box(b);
}

}  // namespace gb::test
