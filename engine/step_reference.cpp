// The reference step: a byte per cell, each cell from the previous generation's eight
// neighbours and the two tables, in memory order. Tests and benchmarks measure the fast step
// against it.
#include <cstddef>
#include <cstring>

#include "engine/step.h"

namespace gb {

void ReferenceStep(std::vector<std::int8_t>& cells, int w, int h, const Rule& rule) {
    const std::vector<std::int8_t> prev = cells;
    for (int y = 1; y <= h - 2; ++y) {
        const std::int8_t* above = prev.data() + static_cast<std::ptrdiff_t>(y - 1) * w;
        const std::int8_t* row = above + w;
        const std::int8_t* below = row + w;
        std::int8_t* out = cells.data() + static_cast<std::ptrdiff_t>(y) * w;
        for (int x = 1; x <= w - 2; ++x) {
            const int s = above[x - 1] + above[x] + above[x + 1] + row[x - 1] + row[x + 1] +
                          below[x - 1] + below[x] + below[x + 1];
            const int c = row[x];
            const int* table;
            if (c == 0)
                table = rule.birthTable.data();
            else if (c == 1)
                table = rule.survivalTable.data();
            else
                continue;
            if (s < 0 || s > 8) continue;
            out[x] = static_cast<std::int8_t>(table[s]);
        }
    }
}

std::vector<std::int8_t> CellBytes(const Field& field) {
    const int w = field.gridWidth, h = field.gridHeight;
    std::vector<std::int8_t> bytes(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
    if (!field.hasCells()) return bytes;
    for (int y = 0; y < h; ++y)
        field.cells().forEachRun(y, 0, w - 1, [&](int x0, int x1) {
            std::memset(bytes.data() + static_cast<std::ptrdiff_t>(y) * w + x0, 1,
                        static_cast<std::size_t>(x1 - x0 + 1));
        });
    return bytes;
}

void StepGeneration(Field& field, const Rule& rule) {
    std::vector<std::int8_t> bytes = CellBytes(field);
    ReferenceStep(bytes, field.gridWidth, field.gridHeight, rule);
    const int w = field.gridWidth;
    for (int y = 1; y < field.gridHeight - 1; ++y)
        for (int x = 1; x < w - 1; ++x) {
            const bool live = bytes[static_cast<std::size_t>(y) * w + x] != 0;
            if (live != (field.at(x, y) != 0)) field.setCell(x, y, live ? 1 : 0);
        }
}

}  // namespace gb
