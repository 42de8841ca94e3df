// RLE pattern files: the reader and its line-by-line procedure (shared with the RLE paste).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/bytes.h"
#include "formats/pattern.h"
#include "formats/reader_common.h"

namespace gb {

class CellGrid;
struct Field;

// A pattern line holding any of these makes the whole read fail.
inline constexpr std::string_view kRejectedLetters =
    "acdefghijklmnpqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.";

using RleMessage = ReadMessage;

// What differs between reading a file and pasting: where the cursor starts, where live cells
// may land in the staging grid, where the pattern goes, and the messages.
struct RleReadingParams {
    int startColumn = 0;  // where "$" and "x=" put the column back
    int startRow = 0;     // where "y=" puts the row back
    // A live cell at (x, y) is staged only when minX <= x < endX and minY <= y < endY.
    int minX = 0, endX = 0, minY = 0, endY = 0;
    // Without an "#R" position the pattern's origin goes to ((centreWidth - width) / 2,
    // (centreHeight - height) / 2) when centreInGrid, and back by half its size otherwise (the
    // reading started at the centre cell).
    bool centreInGrid = true;
    int centreWidth = 0, centreHeight = 0;
    // The comments with the note that lines were left out.
    bool markCutNotice = true;
    RleMessage unsupported;  // first line not beginning with "x" or "#"
    RleMessage rejected;     // a rejected letter in a pattern line
    RleMessage empty;        // no pattern line at all
};

// The parameters of the file reader, and of the paste, for this Field.
RleReadingParams FileRleParams(const Field& field);
RleReadingParams PasteRleParams(const Field& field);

// One read's state. The rule text is kept here and reaches the Rule only when the read succeeds.
struct RleReadState {
    Wide columnCursor = 0, rowCursor = 0;
    Wide placeX = 0, placeY = 0;
    bool placeSeen = false;
    Wide runCount = 0;
    bool ruleGiven = false;
    std::string ruleText;  // the header's or "#r" rule, as written
    bool patternEnded = false;
    long long patternLines = 0;
    // The notice texts, each line turned into UTF-8 from the encoding it is in; the comments
    // only up to their limit.
    std::string nameText, authorText;
    NoticeText comment;
};

// Reads source line by line into staging (cleared once the first line passes). Nothing when the
// cells are staged; otherwise the box that refuses the text (nothing else is changed then).
std::optional<RleMessage> RleReading(std::string_view source, const RleReadingParams& params,
                                     CellGrid& staging, RleReadState& s);
// The same over an input taken in pieces (text mode is the input's business).
std::optional<RleMessage> RleReading(TextInput& input, const RleReadingParams& params,
                                     CellGrid& staging, RleReadState& s);

// An RLE text read into staging and measured: the pattern to place, its rule ("23/3" when the
// text names none) and its notice.
PatternRead ParseRle(TextInput& input, const RleReadingParams& params, CellGrid& staging);

// An RLE file for this Field, into its staging grid.
PatternRead ParseRleFile(TextInput& input, const Field& field, CellGrid& staging);

}  // namespace gb
