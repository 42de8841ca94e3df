// Number texts shown to the user: digits grouped by thousands, and the exponent form with a
// three-digit exponent.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

namespace gb {

// The number printed without decimals ("%.0f"), its digits grouped by three with ",":
// 1440000 -> "1,440,000", -1234.6 -> "-1,235".
std::string FormatThousands(double value);
std::string FormatThousands(std::int64_t value);
template <std::integral T>
std::string FormatThousands(T value) {
    return FormatThousands(static_cast<std::int64_t>(value));
}

// Inserts "," before every group of three characters counted from the end, as long as at least
// one character stays in front: "1234567" -> "1,234,567", "999" -> "999". A sign counts as a
// character like any other (the status line groups the printed text as it stands).
std::string FormatThousands(std::string_view digits);

// Six decimals, "e", the sign and at least three exponent digits: 1440000 -> "1.440000e+006".
std::string FormatExponent3(double value);

}  // namespace gb
