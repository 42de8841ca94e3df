// Byte-level helpers shared by the pattern readers: line taking, text-mode line ends, numbers
// that cannot overflow, and the two encodings (Shift-JIS and UTF-8) a pattern file may use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
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

// A read from a file failed part-way (an I/O error): what was read so far is no pattern, and the
// read it belongs to fails as a whole.
class ReadFailure : public std::runtime_error {
public:
    explicit ReadFailure(int error);
    int error() const { return error_; }

private:
    int error_;
};

// A reader's bytes, from memory or from an open file, handed out from one buffer that is refilled
// as the reader moves on, so memory does not grow with the input. In text mode every CR LF pair
// becomes one LF (a lone CR stays), also across the refills.
class TextInput {
public:
    // The largest look-ahead peek may be asked for.
    static constexpr std::size_t kMaxLookAhead = 64 * 1024;

    explicit TextInput(std::string_view bytes, bool textMode = true);
    // Reads fd to its end (not closed here). A read error throws ReadFailure (and sets failed()),
    // so no reader takes the bytes before it for the whole file.
    explicit TextInput(int fd);
    TextInput(const TextInput&) = delete;
    TextInput& operator=(const TextInput&) = delete;
    ~TextInput();

    // The bytes from the current position: at least want of them (at most kMaxLookAhead), fewer
    // only at the end of the input. Valid until the next call.
    std::string_view peek(std::size_t want);
    // Moves on by n bytes of the last peek.
    void skip(std::size_t n) { begin_ += n; }
    bool atEnd() { return peek(1).empty(); }
    bool failed() const { return failed_; }

    // Makes rewind() possible; called before anything is read. A file that cannot seek (a pipe,
    // a terminal, a device) keeps what is read of it in an unnamed temporary file, so memory
    // does not grow with it; when there is no such file the read fails (ReadFailure).
    void keepForRewind();
    // Starts again from the first byte (after keepForRewind for a file).
    void rewind();

private:
    void refill(std::size_t want);
    std::size_t readRaw(char* out, std::size_t n);
    void keep(const char* bytes, std::size_t n);

    std::string_view memory_;
    std::size_t memoryPos_ = 0;
    int fd_ = -1;
    long long start_ = -1;  // where a file that can seek began
    int kept_ = -1;         // the temporary copy of one that cannot
    bool keeping_ = false;  // what is read goes to kept_ too
    bool textMode_ = true;
    bool sourceEnded_ = false;
    bool failed_ = false;
    bool pendingCr_ = false;  // a CR ended the last raw piece; the next byte decides
    char* buffer_ = nullptr;
    char* raw_ = nullptr;
    std::size_t begin_ = 0, end_ = 0;
};

// Takes lines the way a C line reader with a buffer of bufferSize bytes does: a piece ends after
// a line feed or when it holds bufferSize - 1 bytes; as a C string it stops at its first NUL.
// Over bytes in memory it takes them as they are (no text mode).
class LineReader {
public:
    LineReader(std::string_view bytes, std::size_t bufferSize);
    LineReader(TextInput& input, std::size_t bufferSize) : input_(&input), max_(bufferSize - 1) {}
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;
    ~LineReader();
    bool atEnd() { return input_->atEnd(); }
    // The next piece, or an empty view at the end; valid until the next call.
    std::string_view next();

private:
    TextInput* owned_ = nullptr;
    TextInput* input_;
    std::size_t max_;
};

// How the two-byte squares are spelt in a file.
enum class SquareEncoding { Utf8, ShiftJis };

// The next piece of a picture line from input: it ends after a line feed or before the character
// that would take it past maxUnits, never inside a character. A character counts as many units
// as its Shift-JIS spelling has bytes, whichever encoding it is in, so a picture in UTF-8 is cut
// where the same picture in Shift-JIS is. The encoding is decided for the piece alone: UTF-8
// when the piece is valid UTF-8. As a C string the piece stops at its first NUL (and *nul, when
// given, tells whether it held one). Empty at the end.
std::string_view NextPictureLine(TextInput& input, std::size_t maxUnits, SquareEncoding& encoding,
                                 bool* nul = nullptr);

bool IsValidUtf8(std::string_view bytes);
// Code page 932 to UTF-8; an undecodable byte becomes U+FFFD.
std::string Cp932ToUtf8(std::string_view bytes);
// A text read from a file as UTF-8 for showing: kept when it is valid UTF-8, converted from
// code page 932 otherwise.
std::string DisplayText(std::string_view bytes);
// The longest prefix of at most limit bytes that does not split a character (UTF-8 when the
// text is valid UTF-8, code page 932 otherwise).
std::string_view CutAtCharacter(std::string_view bytes, std::size_t limit);
// The same in the given encoding.
std::string_view CutAtCharacter(std::string_view bytes, std::size_t limit, SquareEncoding encoding);
// Bytes in the given encoding as UTF-8.
std::string ToUtf8(std::string_view bytes, SquareEncoding encoding);

// UTF-8 when the whole file is valid UTF-8, Shift-JIS otherwise.
SquareEncoding SquareEncodingOf(std::string_view bytes);
// The picture replacements, in order: "□" -> ".", "■" -> "*", "O" -> "*". In Shift-JIS the scan
// steps over two-byte characters, so a trail byte is never taken for "O".
std::string ReplacePictureCharacters(std::string_view line, SquareEncoding encoding);

}  // namespace gb
