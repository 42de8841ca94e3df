#include "core/dialog_input.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace gb {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

double LenientNumber(std::string_view text) {
    std::size_t k = 0;
    while (k < text.size() && IsBlank(text[k])) ++k;
    const std::size_t start = k;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) ++k;
    std::size_t digits = 0;
    while (k < text.size() && IsDigit(text[k])) ++k, ++digits;
    if (k < text.size() && text[k] == '.') {
        ++k;
        while (k < text.size() && IsDigit(text[k])) ++k, ++digits;
    }
    if (digits == 0) return 0;
    std::size_t end = k;
    if (k < text.size() && (text[k] == 'e' || text[k] == 'E')) {
        std::size_t e = k + 1;
        if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
        if (e < text.size() && IsDigit(text[e])) {
            while (e < text.size() && IsDigit(text[e])) ++e;
            end = e;
        }
    }
    // Only the characters checked above reach strtod, so it reads exactly this number.
    const std::string number(text.substr(start, end - start));
    const double v = std::strtod(number.c_str(), nullptr);
    return std::trunc(v);
}

std::optional<std::int32_t> ParseDialogInt(std::string_view text) {
    std::size_t k = 0;
    while (k < text.size() && IsBlank(text[k])) ++k;
    bool negative = false;
    if (k < text.size() && (text[k] == '+' || text[k] == '-')) negative = text[k++] == '-';
    std::int64_t value = 0;
    std::size_t digits = 0;
    while (k < text.size() && IsDigit(text[k])) {
        value = value * 10 + (text[k] - '0');
        if (value > std::int64_t{1} << 32) return std::nullopt;  // far beyond 32 bits
        ++k, ++digits;
    }
    while (k < text.size() && IsBlank(text[k])) ++k;
    if (digits == 0 || k != text.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string FormatInt(double value) {
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    const double v = std::isnan(value) ? 0 : std::clamp(value, lo, hi);
    return std::to_string(static_cast<std::int32_t>(v));
}

std::string IntegerPrompt() { return "整数を入力してください。"; }

std::string RangePrompt(std::int32_t low, std::int32_t high) {
    return std::to_string(low) + " から " + std::to_string(high) + " までの整数を入力してください。";
}

IntCheck CheckDialogInt(std::string_view text, std::int32_t low, std::int32_t high) {
    IntCheck result;
    const auto v = ParseDialogInt(text);
    if (!v)
        result.prompt = IntegerPrompt();
    else if (*v < low || *v > high)
        result.prompt = RangePrompt(low, high);
    else
        result.value = v;
    return result;
}

}  // namespace gb
