// Life 1.05 and Life 1.06 pattern files (extension ".lif").
#pragma once

#include <string>
#include <string_view>

#include "formats/bytes.h"
#include "formats/pattern.h"
#include "formats/write_result.h"

namespace gb {

class CellGrid;
struct Field;

// The format of a Life save; the value is the index of the radio button in the format dialog.
// Any other value (no button checked) is an invalid choice.
enum class LifeFormat : int { Life105 = 0, Life106 = 1 };

// Process-wide choice remembered between saves; 0 (Life 1.05) at start, never saved.
struct LifeWriteSettings {
    int lastLifeFormat = 0;
};

// The format dialog's outcome: OK stores the dialog's choice (even none, -1); any other ending
// keeps the last one. The save goes ahead in the resulting format either way.
LifeFormat ChooseLifeFormat(LifeWriteSettings& settings, bool accepted, int dialogLifeFormat);

// What the first line of a ".lif" file makes of it.
enum class LifeHeader { Life105, Life106, HandedToRle, Unsupported };
LifeHeader ClassifyLifeFile(std::string_view bytes);
// The same from the first line of an input (in text mode), which is looked at, not taken.
LifeHeader ClassifyLifeFile(TextInput& input);

// Reads a ".lif" file (an input in text mode, read in pieces) into staging for this Field. A
// file whose first line is no Life header but begins with "x" or "#" is read as RLE (the
// pattern's format says so, also when that reader refuses it). The rule is the last "#R" or
// "#N" line's, none without one.
PatternRead ParseLifeFile(TextInput& input, const Field& field, CellGrid& staging);

// The Field as a Life file in the given format with the given rule, CR LF line ends; an empty
// Field is the header lines alone. Refused (InvalidLifeFormat) for any other format value.
WriteResult WriteLifeFile(const Field& field, std::string_view ruleText, LifeFormat format);

}  // namespace gb
