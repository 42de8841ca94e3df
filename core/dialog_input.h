// Reading numbers typed into dialogs: the lenient reading used for range checks while typing and
// the strict integer exchange of OK, with the prompts shown when the exchange refuses a text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace gb {

// The leading decimal number of text (blanks, sign, digits, fraction, exponent), truncated toward
// zero; 0 when the text starts with no number.
double LenientNumber(std::string_view text);

// A whole text holding one 32-bit integer, blanks around it allowed; nothing otherwise.
std::optional<std::int32_t> ParseDialogInt(std::string_view text);

// "%d" of a value, held within the 32-bit range.
std::string FormatInt(double value);

// The exchange's prompts.
std::string IntegerPrompt();                                     // not an integer
std::string RangePrompt(std::int32_t low, std::int32_t high);    // outside low..high

// The result of OK's exchange for one field: the value, or the prompt to show.
struct IntCheck {
    std::optional<std::int32_t> value;
    std::string prompt;
};
IntCheck CheckDialogInt(std::string_view text, std::int32_t low, std::int32_t high);

}  // namespace gb
