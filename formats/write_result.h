// What a pattern writer makes of a Field: the file's bytes, or why it wrote none.
#pragma once

#include <string>

namespace gb {

enum class WriteRefusal {
    None,
    NothingToSave,      // no live cell to write
    TooWideForText,     // a text picture row that wide would not read back as one row
    InvalidLifeFormat,  // neither Life 1.05 nor Life 1.06 was chosen
};

struct WriteResult {
    std::string bytes;  // the whole file; empty when refused
    WriteRefusal refusal = WriteRefusal::None;
    int patternWidth = 0;  // for TooWideForText: the pattern's width in cells

    bool written() const { return refusal == WriteRefusal::None; }
    static WriteResult Refused(WriteRefusal why, int patternWidth = 0) {
        WriteResult result;
        result.refusal = why;
        result.patternWidth = patternWidth;
        return result;
    }
};

}  // namespace gb
