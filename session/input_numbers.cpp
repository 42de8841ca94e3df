#include "session/input_numbers.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <string>

#include "session/context.h"
#include "session/shell.h"

namespace gb {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipSpace(std::string_view text, std::size_t i) {
    while (i < text.size() && IsSpace(text[i])) ++i;
    return i;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::size_t i = SkipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t start = i;
    std::size_t intDigits = 0, fracDigits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++intDigits;
    std::size_t end = i;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++fracDigits;
        if (intDigits + fracDigits > 0) end = i;
    }
    if (intDigits + fracDigits == 0) return 0;
    // An exponent counts only when at least one digit follows "e" and its sign.
    std::int64_t exponent = 0;
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        std::size_t j = end + 1;
        bool expNegative = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) expNegative = text[j++] == '-';
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                if (exponent < 100000) exponent = exponent * 10 + (text[j] - '0');
                ++j;
            }
            if (expNegative) exponent = -exponent;
            end = j;
        }
    }
    const std::string_view number = text.substr(start, end - start);
    double value = 0;
    const auto [ptr, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: decide which by the first significant digit.
        std::int64_t magnitude = 0;
        std::size_t k = 0;
        std::size_t leadingIntZeros = 0;
        while (k < intDigits && number[k] == '0') ++k, ++leadingIntZeros;
        if (leadingIntZeros < intDigits) {
            magnitude = static_cast<std::int64_t>(intDigits - leadingIntZeros);
        } else {
            std::size_t f = intDigits + 1, zeros = 0;
            while (f < number.size() && number[f] == '0') ++f, ++zeros;
            magnitude = -static_cast<std::int64_t>(zeros);
        }
        value = magnitude + exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (ec != std::errc()) {
        value = 0;
    }
    return negative ? -value : value;
}

std::int64_t LeadingInteger(std::string_view text) {
    std::size_t i = SkipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    constexpr std::int64_t limit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const int digit = text[i] - '0';
        if (value > (limit - digit) / 10) {
            value = limit;
            break;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

std::optional<int> ParseStrictInt(std::string_view text) {
    std::size_t i = SkipSpace(text, 0);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t digitsStart = i;
    std::int64_t value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > std::int64_t{1} << 32) return std::nullopt;
    }
    if (i == digitsStart) return std::nullopt;
    if (SkipSpace(text, i) != text.size()) return std::nullopt;
    if (negative) value = -value;
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(value);
}

std::string FormatInt(double value) {
    constexpr double lo = std::numeric_limits<std::int32_t>::min();
    constexpr double hi = std::numeric_limits<std::int32_t>::max();
    const double v = std::isnan(value) ? 0 : std::clamp(value, lo, hi);
    return std::to_string(static_cast<std::int32_t>(v));
}

std::string IntegerPrompt() { return "整数を入力してください。"; }

std::string RangePrompt(std::int32_t low, std::int32_t high) {
    return std::to_string(low) + " から " + std::to_string(high) +
           " までの整数を入力してください。";
}

IntCheck CheckDialogInt(std::string_view text, std::int32_t low, std::int32_t high) {
    IntCheck result;
    const auto v = ParseStrictInt(text);
    if (!v)
        result.prompt = IntegerPrompt();
    else if (*v < low || *v > high)
        result.prompt = RangePrompt(low, high);
    else
        result.value = v;
    return result;
}

std::optional<int> ExchangeInt(Context& ctx, std::string_view text) {
    if (const std::optional<int> value = ParseStrictInt(text)) return value;
    AppMessageBox(ctx, IntegerPrompt(), Icon::Exclamation);
    return std::nullopt;
}

}  // namespace gb
