// Hashes of a grid's tiles, for finding a pattern that repeats: each tile's cells hash with a key
// of the tile's place, so the sum over the tiles stands for the whole grid and changes by the
// difference of a tile's old and new hash when the tile changes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/cell_grid.h"

namespace gb {

// The hash of tile t (= ty × tilesX + tx): 0 for a tile without a live cell; two different
// contents of one tile hash alike with a chance of about 2^-32.
std::uint64_t HashTile(const CellGrid& grid, std::int32_t t);
// HashTile of tiles[0 .. count) into out[0 .. count).
void HashTiles(const CellGrid& grid, const std::int32_t* tiles, std::size_t count,
               std::uint64_t* out);

}  // namespace gb
