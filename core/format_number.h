// Digit grouping for the numbers the view shows.
#pragma once

#include <string>
#include <string_view>

namespace gb {

// Inserts "," before every group of three characters counted from the end, as long as at least
// one character stays in front: "1234567" -> "1,234,567", "999" -> "999". A sign counts as a
// character like any other.
std::string FormatThousands(std::string_view digits);

}  // namespace gb
