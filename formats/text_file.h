// Plain-text pattern pictures (".txt"): "*" live, "." dead; "■", "□" and "O" accepted too; and
// the Plaintext ".cells" pictures with their "!" notice lines.
#pragma once

#include <string>
#include <string_view>

#include "formats/bytes.h"
#include "formats/pattern.h"
#include "formats/write_result.h"

namespace gb {

class CellGrid;
struct Field;

// Reads a picture from an input (in text mode) into staging, centred on this Field's grid. The
// input is read twice in pieces, once to measure and check the picture and once to stage it, so
// memory does not follow the file; one that cannot seek is kept in a temporary file between.
// Refused when it holds a NUL byte (no picture); declined when it holds invalid data and the
// user does not want it loaded (asked through questions). The rule is the last "#R" line's, none
// without one.
PatternRead ParseTextFile(TextInput& input, const Field& field, CellGrid& staging,
                          ReadQuestions& questions);

// Plaintext ".cells" pictures, read as the pictures above are and placed alike: "O" and "*" live,
// "." dead, and the "!" lines, which take no row, are the notice. The rule is "23/3" unless a
// "#R" line says otherwise.
PatternRead ParseCellsFile(TextInput& input, const Field& field, CellGrid& staging,
                           ReadQuestions& questions);

// The widest row a picture is written with: the reader takes a line in pieces, and a wider row
// would come back cut into several rows.
inline constexpr int kTextWidestRow = 9999;

// The Field's live extent as a picture, CR LF line ends, with "#R <rule>" first when the rule is
// not "23/3". Refused with NothingToSave for a Field without live cells and with TooWideForText
// (and the pattern's width) for one wider than kTextWidestRow.
WriteResult WriteTextFile(const Field& field, std::string_view ruleText);

}  // namespace gb
