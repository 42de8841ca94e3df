#include "session/format_number.h"

#include <cstdio>

namespace gb {

namespace {

// Puts "," between groups of three in the first run of digits of text.
std::string GroupDigits(const std::string& text) {
    const std::size_t begin = text.find_first_of("0123456789");
    if (begin == std::string::npos) return text;
    std::size_t end = begin;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    std::string out = text.substr(0, begin);
    const std::size_t digits = end - begin;
    for (std::size_t i = 0; i < digits; ++i) {
        if (i != 0 && (digits - i) % 3 == 0) out += ',';
        out += text[begin + i];
    }
    out += text.substr(end);
    return out;
}

}  // namespace

std::string FormatThousands(double value) {
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.0f", value);
    return GroupDigits(buffer);
}

std::string FormatThousands(std::int64_t value) { return GroupDigits(std::to_string(value)); }

std::string FormatThousands(std::string_view digits) {
    std::string out(digits);
    for (std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(out.size()) - 3; pos >= 1; pos -= 3)
        out.insert(static_cast<std::size_t>(pos), 1, ',');
    return out;
}

std::string FormatExponent3(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6e", value);
    std::string text = buffer;
    const std::size_t e = text.find('e');
    if (e == std::string::npos || e + 2 > text.size()) return text;  // inf, nan
    // "e+06" -> "e+006": the exponent digits follow the sign.
    const std::size_t digits = text.size() - (e + 2);
    if (digits < 3) text.insert(e + 2, 3 - digits, '0');
    return text;
}

}  // namespace gb
