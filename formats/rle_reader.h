// RLE pattern files: the reader and its line-by-line procedure (shared with the RLE paste).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "formats/bytes.h"
#include "formats/reader_common.h"

namespace gb {

struct Context;
struct Field;

// A pattern line holding any of these makes the whole read fail.
inline constexpr std::string_view kRejectedLetters =
    "acdefghijklmnpqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.";

struct RleMessage {
    std::string caption;
    std::string text;
};

// What differs between reading a file and pasting: where the cursor starts, where live cells
// may land in the staging grid, the messages, and whether the wait cursor is in use.
struct RleReadingParams {
    int startColumn = 0;  // where "$" and "x=" put the column back
    int startRow = 0;     // where "y=" puts the row back
    // A live cell at (x, y) is staged only when minX <= x < endX and minY <= y < endY.
    int minX = 0, endX = 0, minY = 0, endY = 0;
    bool useBusy = true;     // busy = 0 and the pointer refreshed before a failure box
    RleMessage unsupported;  // first line not beginning with "x" or "#"
    RleMessage rejected;     // a rejected letter in a pattern line
};

// The parameters of the file reader for this Field.
RleReadingParams FileRleParams(const Field& field);

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

// Reads source line by line into the staging grid (cleared once the first line passes). Returns 0 with
// the cells staged, or 1 after the failure box (Field and rule untouched).
int RleReading(Context& ctx, std::string_view source, const RleReadingParams& params,
               RleReadState& state);
// The same over an input taken in pieces (text mode is the input's business).
int RleReading(Context& ctx, TextInput& source, const RleReadingParams& params, RleReadState& state);

// Reads an RLE file's bytes and places the pattern. 0: loaded; 1: rejected (after a box).
int ReadRleFile(Context& ctx, std::string_view bytes, const std::string& path);
// The same from an input (in text mode) read in pieces.
int ReadRleFile(Context& ctx, TextInput& input, const std::string& path);

}  // namespace gb
