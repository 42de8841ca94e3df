// Rebuilding the Field's blocks at a new size, carrying the pattern across.
#pragma once

#include <functional>

#include "engine/field.h"

namespace gb {

// Told of each allocation that fails, at the moment it fails (before the next block is asked
// for, which may depend on what was freed meanwhile).
using AllocFailureSink = std::function<void(const AllocResult& failure)>;

struct RebuildResult {
    // The Field has the new size.
    bool resized = false;
    // The pattern was carried into the new grid, so whatever shows it is out of date.
    bool carried = false;
};

// Rebuilds cells and loadArea for an interior of width × height and carries the pattern across,
// keeping its place relative to the field centre. When the new staging grid cannot be had, the
// old-sized one is made again and carries the pattern; when the new field cannot be had, the
// Field keeps its old size with its pattern (as far as staging held it). A size below 1 changes
// nothing.
RebuildResult RebuildBlocks(Field& field, int width, int height, const AllocFailureSink& failed);

}  // namespace gb
