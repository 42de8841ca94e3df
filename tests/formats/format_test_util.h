// Shared helpers of the pattern-file tests.
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
#include "tests/support/scripted_host.h"

namespace gb::test {

using Cells = std::set<std::pair<int, int>>;

inline Cells CellsOf(const CellGrid& g) {
    Cells cells;
    for (int y = 0; y < g.height(); ++y)
        g.forEachRun(y, 0, g.width() - 1, [&](int x0, int x1) {
            for (int x = x0; x <= x1; ++x) cells.emplace(x, y);
        });
    return cells;
}

// The live cells of the current generation, and those of the staging grid.
inline Cells LiveCells(const Field& f) { return CellsOf(f.cells()); }
inline Cells StagedCells(const Field& f) { return CellsOf(f.staged()); }

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

inline bool SameExtent(const Extent& a, const Extent& b) {
    if (a.found != b.found) return false;
    return !a.found || (a.left == b.left && a.top == b.top && a.right == b.right &&
                        a.bottom == b.bottom && a.width == b.width && a.height == b.height);
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

// The population a frame would count, so writers see live cells.
inline void CountPopulation(Context& ctx) { ctx.view.population = CountCells(ctx.field); }

// Makes the Field side × side (interior) with its staging grid.
inline bool ResizeForTest(Context& ctx, int width, int height) {
    return SetUpField(ctx, width, height);
}

// Cells given as picture rows ("*" live) with their top-left corner at (left, top).
inline void DrawPicture(Context& ctx, int left, int top, const std::vector<std::string>& rows) {
    Field& f = ctx.field;
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == '*')
                f.setCell(left + static_cast<int>(x), top + static_cast<int>(y), 1);
    CountPopulation(ctx);
}

inline std::string ReadBytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
