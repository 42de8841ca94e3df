// How dialogs read numbers from their text boxes: leniently for range checks (the leading number,
// no number reads as 0) and strictly for the final integer exchange.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gb {

struct Context;

// The leading decimal number of text after white space ("12.5x" -> 12.5, "abc" -> 0, "1e3" ->
// 1000). Magnitudes beyond double give ±infinity. Locale-independent.
double LeadingNumber(std::string_view text);

// LeadingNumber truncated toward zero: the lenient reading of range checks while typing.
inline double LenientNumber(std::string_view text) { return std::trunc(LeadingNumber(text)); }

// The leading integer of text after white space ("12.5" -> 12, "-3x" -> -3, "x" -> 0), held at
// the int64 limits instead of overflowing.
std::int64_t LeadingInteger(std::string_view text);

// A plain integer: optional white space, optional sign, digits, optional white space, and nothing
// else; it must fit a signed 32-bit integer.
std::optional<int> ParseStrictInt(std::string_view text);

// "%d" of a value, held within the 32-bit range (NaN prints 0).
std::string FormatInt(double value);

// The exchange's prompts, worded as a toolkit words them.
std::string IntegerPrompt();                                   // not an integer
std::string RangePrompt(std::int32_t low, std::int32_t high);  // outside low..high

// OK's exchange of one box with a range: the value, or the prompt to show.
struct IntCheck {
    std::optional<std::int32_t> value;
    std::string prompt;
};
IntCheck CheckDialogInt(std::string_view text, std::int32_t low, std::int32_t high);

// The dialogs' final integer exchange of one box: its value, or nothing after the toolkit's
// standard prompt ("整数を入力してください。"); the caller then focuses and selects that box.
std::optional<int> ExchangeInt(Context& ctx, std::string_view text);

}  // namespace gb
