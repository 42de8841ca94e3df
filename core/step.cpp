#include "core/step.h"

#include <cstring>

namespace gb {

void SaveGeneration(Field& field) {
    std::memcpy(field.plane1(), field.plane0(), static_cast<std::size_t>(field.planeSize));
}

void StepGeneration(Field& field, const Rule& rule) {
    const int w = field.gridWidth;
    const int h = field.gridHeight;
    const std::int8_t* prev = field.plane1();
    std::int8_t* next = field.plane0();
    for (int y = 1; y <= h - 2; ++y) {
        const std::int8_t* above = prev + static_cast<std::ptrdiff_t>(y - 1) * w;
        const std::int8_t* row = above + w;
        const std::int8_t* below = row + w;
        std::int8_t* out = next + static_cast<std::ptrdiff_t>(y) * w;
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

void AdvanceGeneration(Field& field, const Rule& rule) {
    SaveGeneration(field);
    StepGeneration(field, rule);
}

}  // namespace gb
