// RLE pattern files: the writer.
#pragma once

#include <string>
#include <string_view>

namespace gb {

struct Field;

// The Field's live extent as an RLE file with the given rule, CR LF line ends. An empty Field
// is written too ("x = 0, y = 0").
std::string WriteRleFile(const Field& field, std::string_view ruleText);

}  // namespace gb
