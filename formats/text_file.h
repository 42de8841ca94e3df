// Plain-text pattern pictures (".txt"): "*" live, "." dead; "■", "□" and "O" accepted too; and
// the Plaintext ".cells" pictures with their "!" notice lines.
#pragma once

#include <string>
#include <string_view>

#include "formats/bytes.h"
#include "formats/write_result.h"

namespace gb {

struct Context;
struct Field;

// Reads a picture's bytes and places it centred in the Field. 1 when the user declined to load
// a file with invalid data; otherwise 0.
int ReadTextFile(Context& ctx, std::string_view bytes, const std::string& path);
// The same from an input (in text mode), read twice in pieces, once to measure and check the
// picture and once to place it, so memory does not follow the file. An input that cannot seek is
// kept in a temporary file between. 1 also for an input holding a NUL byte, which is no picture
// (after the unsupported-format box).
int ReadTextFile(Context& ctx, TextInput& input, const std::string& path);

// Plaintext ".cells" pictures, read as the pictures above are and placed alike: "O" and "*" live,
// "." dead, and the "!" lines, which take no row, are the notice shown (captioned with the file's
// name) after the load. The rule is "23/3".
int ReadCellsFile(Context& ctx, std::string_view bytes, const std::string& path);
int ReadCellsFile(Context& ctx, TextInput& input, const std::string& path);

// The widest row a picture is written with: the reader takes a line in pieces, and a wider row
// would come back cut into several rows.
inline constexpr int kTextWidestRow = 9999;

// The Field's live extent as a picture, CR LF line ends, with "#R <rule>" first when the rule is
// not "23/3". Refused with NothingToSave for a Field without live cells and with TooWideForText
// (and the pattern's width) for one wider than kTextWidestRow.
WriteResult WriteTextFile(const Field& field, std::string_view ruleText);

}  // namespace gb
