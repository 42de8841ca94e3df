// What the three pattern readers share: the file-not-found message, the rule text from a file,
// and the last steps of a successful read.
#pragma once

#include <string>
#include <string_view>

namespace gb {

struct Context;
struct Extent;
struct Field;

// Copies the staged cells of loadArea within e, moved by (dx, dy), into the interior of plane 0;
// a cell that would land on the border or outside is dropped. Notes the change of plane 0.
void PlaceStagedCells(Field& field, const Extent& e, int dx, int dy);

// The extent of the staged cells of loadArea, the same as a scan of the whole staging grid
// would give; only the box its writers noted is looked at, and not at all when that box is exact.
Extent StagedExtent(const Field& field);

// Sets loadArea to 0 before a new use: only the box its writers noted since the last clear.
void ClearStaging(Field& field);

// busy = 0 and the pointer, then "ファイル"<path>"が見つかりません。" captioned
// "ファイルが見つかりません。". The open dispatch shows it when a file cannot be read.
void ReportFileNotFound(Context& ctx, const std::string& path);

// A rule as files and the clipboard spell it, made readable for ApplyRule: everything from the
// first ":" on (a topology such as ":T100,100") is dropped, and the lettered form is recognised
// whatever the case of "B" and "S" ("b3/s23", "s23/b3").
std::string FileRuleText(std::string_view text);

// The text after a two-byte control mark such as "#D", without one leading blank.
std::string_view ControlLineText(std::string_view line);

}  // namespace gb
