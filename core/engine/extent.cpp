#include "core/engine/extent.h"

#include <cstddef>

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

Extent FieldExtent(const Field& field) {
    return GridExtent(field.plane0(), field.gridWidth, field.gridHeight);
}

Extent LoadAreaExtent(const Field& field) {
    return GridExtent(field.loadArea, field.loadWidth, field.loadHeight);
}

}  // namespace gb
