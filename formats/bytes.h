// Byte-level helpers shared by the pattern readers: line taking, text-mode line ends, numbers
// that cannot overflow, and the two encodings (Shift-JIS and UTF-8) a pattern file may use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gb {

// Wide integers for every number a file can hold. Values are kept in [-kFar, kFar]: a number
// beyond that is held at the limit, which lies so far outside any grid that the cell it names
// is dropped just as with the exact value.
using Wide = __int128;
inline constexpr Wide kFar = static_cast<Wide>(1) << 120;
inline Wide Clamp(Wide v) { return v > kFar ? kFar : (v < -kFar ? -kFar : v); }
inline Wide AddClamped(Wide a, Wide b) { return Clamp(Clamp(a) + Clamp(b)); }
// runCount × 10 + digit, held at kFar.
inline Wide AppendDigit(Wide count, int digit) { return Clamp(Clamp(count) * 10 + digit); }

// Reads a signed decimal integer as "%d" does: leading white space skipped, an optional sign,
// at least one digit. On success pos is moved past it and value set; otherwise nothing changes.
bool ScanInteger(std::string_view text, std::size_t& pos, Wide& value);

// Text-mode reading: every CR LF pair becomes one LF; a lone CR stays.
std::string TextModeBytes(std::string_view bytes);

// Takes lines the way a C line reader with a buffer of bufferSize bytes does: a piece ends after
// a line feed or when it holds bufferSize - 1 bytes; as a C string it stops at its first NUL.
class LineReader {
public:
    LineReader(std::string_view bytes, std::size_t bufferSize) : bytes_(bytes), max_(bufferSize - 1) {}
    bool atEnd() const { return pos_ >= bytes_.size(); }
    // The next piece, or an empty view at the end.
    std::string_view next();

private:
    std::string_view bytes_;
    std::size_t max_;
    std::size_t pos_ = 0;
};

bool IsValidUtf8(std::string_view bytes);
// Code page 932 to UTF-8; an undecodable byte becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);
// A text read from a file as UTF-8 for showing: kept when it is valid UTF-8, converted from
// code page 932 otherwise.
std::string DisplayText(std::string_view bytes);
// The longest prefix of at most limit bytes that does not split a character (UTF-8 when the
// text is valid UTF-8, code page 932 otherwise).
std::string_view CutAtCharacter(std::string_view bytes, std::size_t limit);

// How the two-byte squares are spelt in a file.
enum class SquareEncoding { Utf8, ShiftJis };
// UTF-8 when the whole file is valid UTF-8, Shift-JIS otherwise.
SquareEncoding SquareEncodingOf(std::string_view bytes);
// The picture replacements, in order: "□" -> ".", "■" -> "*", "O" -> "*". In Shift-JIS the scan
// steps over two-byte characters, so a trail byte is never taken for "O".
std::string ReplacePictureCharacters(std::string_view line, SquareEncoding encoding);

}  // namespace gb
