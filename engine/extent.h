// The pattern's bounding box and the sums its centre is found from.
#pragma once

#include <cstdint>

namespace gb {

struct Field;

// Bounding box of the live cells of a grid, border included. When found is 0 the other
// fields mean nothing.
struct Extent {
    std::int32_t found = 0;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Extent of plane 0 of the Field.
Extent FieldExtent(const Field& field);
// Extent of the staging grid.
Extent LoadAreaExtent(const Field& field);

// Sums over the live cells of the Field: their count, and the sums of their x and of their y.
struct CentroidSums {
    double count = 0;
    double sumX = 0;
    double sumY = 0;
};
CentroidSums SumLiveCells(const Field& field);

}  // namespace gb
