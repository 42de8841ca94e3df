// Helpers of the pattern-file tests beside the shared Field and session fixtures: extents and
// shapes of cell sets, file bytes, and the reader a file name picks.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/step.h"
#include "formats/life_file.h"
#include "formats/rle_reader.h"
#include "formats/rle_writer.h"
#include "formats/text_file.h"
#include "session/document.h"
#include "session/frame.h"
#include "tests/support/byte_extent.h"
#include "tests/support/field_fixture.h"
#include "tests/support/scripted_host.h"
#include "tests/support/session_fixture.h"
#include "tests/support/temp_dir.h"

namespace gb::test {

// The bounding box of a set of cells, as the engine's extents give it.
inline Extent ExtentOf(const Cells& cells) {
    Extent e;
    if (cells.empty()) return e;
    e.found = 1;
    e.left = e.right = cells.begin()->first;
    e.top = e.bottom = cells.begin()->second;
    for (const auto& [x, y] : cells) {
        e.left = std::min(e.left, x), e.right = std::max(e.right, x);
        e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
    }
    e.width = e.right - e.left + 1;
    e.height = e.bottom - e.top + 1;
    return e;
}

// The cells moved so that their bounding box starts at (0, 0).
inline Cells Shape(const Cells& cells) {
    if (cells.empty()) return cells;
    int left = cells.begin()->first, top = cells.begin()->second;
    for (const auto& [x, y] : cells) {
        left = std::min(left, x);
        top = std::min(top, y);
    }
    Cells out;
    for (const auto& [x, y] : cells) out.emplace(x - left, y - top);
    return out;
}

// The reader the open dispatch picks for a file name: ".lif" Life, ".txt" text, anything else RLE.
inline int ReadByExtension(Context& ctx, const std::string& bytes, const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == ".lif") return ReadLifeFile(ctx, bytes, path);
    if (ext == ".txt") return ReadTextFile(ctx, bytes, path);
    return ReadRleFile(ctx, bytes, path);
}

inline std::string SharedPatterns() { return std::string(GRIDBLOOM_SHARED_DIR) + "/patterns"; }
inline std::string OwnPatterns() { return std::string(GRIDBLOOM_SOURCE_DIR) + "/res/patterns"; }

}  // namespace gb::test
