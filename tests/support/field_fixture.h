// The Field as the tests set it up and look at it: a Field of a given size made by the engine's
// own set-up, its live cells as a set or as a picture, and the check of its sizes. Needs the
// engine alone, so every test program can use it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/field.h"
#include "engine/rule.h"

namespace gb::test {

using Cells = std::set<std::pair<int, int>>;

// A Field of the engine alone, with an interior of width × height cells and its staging grid,
// and a rule (B3/S23).
struct TestField {
    Field field;
    Rule rule;
    explicit TestField(int width = kDefaultFieldSide, int height = kDefaultFieldSide) {
        EXPECT_TRUE(SetUpField(field, width, height).ok()) << width << " x " << height;
    }
};

// The live cells of a grid, as its runs give them.
inline Cells CellsOf(const CellGrid& g) {
    Cells cells;
    for (int y = 0; y < g.height(); ++y)
        g.forEachRun(y, 0, g.width() - 1, [&](int x0, int x1) {
            for (int x = x0; x <= x1; ++x) cells.emplace(x, y);
        });
    return cells;
}

// The live cells of the staging grid.
inline Cells StagedCells(const Field& f) { return CellsOf(f.staged()); }

// The live cells of the current generation, cell by cell.
inline Cells LiveCells(const Field& f) {
    Cells cells;
    for (int y = 0; y < f.gridHeight; ++y)
        for (int x = 0; x < f.gridWidth; ++x)
            if (f.at(x, y) != 0) cells.emplace(x, y);
    return cells;
}

// Makes the cells live; each must be an interior cell.
inline void Place(Field& f, const Cells& cells) {
    for (auto [x, y] : cells) ASSERT_TRUE(f.setCell(x, y, 1)) << x << ", " << y;
}

inline Cells Shifted(const Cells& cells, int dx, int dy) {
    Cells out;
    for (auto [x, y] : cells) out.emplace(x + dx, y + dy);
    return out;
}

inline bool BorderIsDead(const Field& f) {
    for (int x = 0; x < f.gridWidth; ++x)
        if (f.at(x, 0) != 0 || f.at(x, f.gridHeight - 1) != 0) return false;
    for (int y = 0; y < f.gridHeight; ++y)
        if (f.at(0, y) != 0 || f.at(f.gridWidth - 1, y) != 0) return false;
    return true;
}

// A picture: one string a row, '*' a live cell, anything else a dead one.
using Picture = std::vector<std::string>;

// The live cells of a picture whose top-left corner is at (left, top).
inline Cells CellsOf(int left, int top, const Picture& rows) {
    Cells cells;
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            if (rows[y][x] == '*')
                cells.emplace(left + static_cast<int>(x), top + static_cast<int>(y));
    return cells;
}

// Makes the picture's live cells live, its top-left corner at (left, top).
inline void PlacePicture(Field& f, int left, int top, const Picture& rows) {
    Place(f, CellsOf(left, top, rows));
}

// The width × height cells from (left, top) as a picture ('*' live, '.' dead).
inline Picture PictureAt(const Field& f, int left, int top, int width, int height) {
    Picture rows(static_cast<std::size_t>(height),
                 std::string(static_cast<std::size_t>(width), '.'));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (f.at(left + x, top + y) != 0)
                rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] = '*';
    return rows;
}

// The Field has an interior of width × height cells, a staging grid of loadWidth × loadHeight
// (by default kLoadMargin wider and taller than the grid) and both blocks; all its size values
// say so.
inline ::testing::AssertionResult HasSize(const Field& f, int width, int height, int loadWidth = -1,
                                          int loadHeight = -1) {
    const char* const names[] = {"fieldWidth", "fieldHeight",    "gridWidth",
                                 "gridHeight", "planeSize",      "loadWidth",
                                 "loadHeight", "cellsAllocated", "loadAreaAllocated"};
    const long long got[] = {f.fieldWidth, f.fieldHeight,    f.gridWidth,
                             f.gridHeight, f.planeSize,      f.loadWidth,
                             f.loadHeight, f.cellsAllocated, f.loadAreaAllocated};
    const long long want[] = {width,
                              height,
                              width + 2,
                              height + 2,
                              (width + 2LL) * (height + 2),
                              loadWidth < 0 ? width + 2 + kLoadMargin : loadWidth,
                              loadHeight < 0 ? height + 2 + kLoadMargin : loadHeight,
                              1,
                              1};
    ::testing::Message wrong;
    bool ok = true;
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (got[i] != want[i])
            ok = false,
            wrong << " " << names[i] << " " << got[i] << " (expected " << want[i] << ")";
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the Field's sizes:" << wrong;
}

}  // namespace gb::test
