#include "formats/bytes.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace gb {

namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Length of the UTF-8 sequence starting at i, or 0 when it is not a valid one.
std::size_t Utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return 1;
    std::size_t n = 0;
    unsigned lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    if (b(i + 1) < lo || b(i + 1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
    return n;
}

}  // namespace

bool ScanInteger(std::string_view text, std::size_t& pos, Wide& value) {
    std::size_t i = pos;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    Wide v = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') v = AppendDigit(v, text[i++] - '0');
    value = negative ? -v : v;
    pos = i;
    return true;
}

std::string TextModeBytes(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        out += bytes[i];
    }
    return out;
}

ReadFailure::ReadFailure(int error) : std::runtime_error(std::strerror(error)), error_(error) {}

namespace {

constexpr std::size_t kRawPiece = TextInput::kMaxLookAhead;
// Look-ahead, one raw piece and a held-back CR.
constexpr std::size_t kBufferSize = TextInput::kMaxLookAhead + kRawPiece + 1;

}  // namespace

TextInput::TextInput(std::string_view bytes, bool textMode)
    : memory_(bytes), textMode_(textMode), buffer_(new char[kBufferSize]) {}

TextInput::TextInput(int fd) : fd_(fd), buffer_(new char[kBufferSize]), raw_(new char[kRawPiece]) {}

TextInput::~TextInput() {
    if (kept_ >= 0) ::close(kept_);
    delete[] buffer_;
    delete[] raw_;
}

void TextInput::keepForRewind() {
    if (fd_ < 0 || start_ >= 0 || kept_ >= 0) return;
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && (S_ISREG(st.st_mode) || S_ISBLK(st.st_mode))) {
        start_ = ::lseek(fd_, 0, SEEK_CUR);
        if (start_ >= 0) return;
    }
    std::error_code error;
    const std::filesystem::path found = std::filesystem::temp_directory_path(error);
    const std::string folder = error ? std::string("/tmp") : found.string();
    kept_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (kept_ < 0) {
        // A file system without unnamed files: a named one, removed at once.
        std::string name = folder + "/gridbloom-XXXXXX";
        kept_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (kept_ < 0) throw ReadFailure(errno);
        ::unlink(name.c_str());
    }
    keeping_ = true;
}

void TextInput::keep(const char* bytes, std::size_t n) {
    while (n > 0) {
        const ssize_t put = ::write(kept_, bytes, n);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) throw ReadFailure(put < 0 ? errno : ENOSPC);
        bytes += put;
        n -= static_cast<std::size_t>(put);
    }
}

void TextInput::rewind() {
    if (fd_ < 0) {
        memoryPos_ = 0;
    } else if (start_ >= 0) {
        if (::lseek(fd_, start_, SEEK_SET) < 0) throw ReadFailure(errno);
    } else if (kept_ >= 0) {
        if (::lseek(kept_, 0, SEEK_SET) < 0) throw ReadFailure(errno);
        fd_ = kept_;
        keeping_ = false;
    }
    begin_ = end_ = 0;
    sourceEnded_ = false;
    pendingCr_ = false;
}

std::string_view TextInput::peek(std::size_t want) {
    if (end_ - begin_ < want && !sourceEnded_) refill(std::min(want, kMaxLookAhead));
    return {buffer_ + begin_, end_ - begin_};
}

std::size_t TextInput::readRaw(char* out, std::size_t n) {
    if (fd_ < 0) {
        const std::size_t taken = std::min(n, memory_.size() - memoryPos_);
        std::memcpy(out, memory_.data() + memoryPos_, taken);
        memoryPos_ += taken;
        return taken;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, out, n);
        if (got >= 0) {
            if (keeping_) keep(out, static_cast<std::size_t>(got));
            return static_cast<std::size_t>(got);
        }
        if (errno == EINTR) continue;
        failed_ = true;
        sourceEnded_ = true;
        throw ReadFailure(errno);
    }
}

void TextInput::refill(std::size_t want) {
    if (begin_ > 0) {
        std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    while (end_ < want && !sourceEnded_) {
        const std::size_t room = std::min(kRawPiece, kBufferSize - 1 - end_);
        if (!textMode_) {
            const std::size_t n = readRaw(buffer_ + end_, room);
            end_ += n;
            if (n == 0) sourceEnded_ = true;
            continue;
        }
        // Bytes in memory are converted where they lie; a file's go through raw_ first.
        const char* p = nullptr;
        std::size_t n = 0;
        if (fd_ < 0) {
            p = memory_.data() + memoryPos_;
            n = std::min(room, memory_.size() - memoryPos_);
            memoryPos_ += n;
        } else {
            n = readRaw(raw_, room);
            p = raw_;
        }
        char* out = buffer_ + end_;
        if (n == 0) {
            sourceEnded_ = true;
            if (pendingCr_) *out++ = '\r';
            pendingCr_ = false;
        } else {
            if (pendingCr_ && *p != '\n') *out++ = '\r';
            pendingCr_ = false;
            const char* const stop = p + n;
            while (p < stop) {
                const auto* cr = static_cast<const char*>(
                    std::memchr(p, '\r', static_cast<std::size_t>(stop - p)));
                const char* const upTo = cr == nullptr ? stop : cr;
                std::memcpy(out, p, static_cast<std::size_t>(upTo - p));
                out += upTo - p;
                if (cr == nullptr) break;
                if (cr + 1 == stop) {
                    pendingCr_ = true;  // the next piece says whether it is a CR LF
                } else if (cr[1] != '\n') {
                    *out++ = '\r';
                }
                p = cr + 1;
            }
        }
        end_ = static_cast<std::size_t>(out - buffer_);
    }
}

LineReader::LineReader(std::string_view bytes, std::size_t bufferSize)
    : owned_(new TextInput(bytes, false)), input_(owned_), max_(bufferSize - 1) {}

LineReader::~LineReader() { delete owned_; }

std::string_view LineReader::next() {
    const std::string_view avail = input_->peek(max_);
    std::size_t len = std::min(avail.size(), max_);
    if (const void* lf = std::memchr(avail.data(), '\n', len))
        len = static_cast<std::size_t>(static_cast<const char*>(lf) - avail.data()) + 1;
    input_->skip(len);
    const void* nul = std::memchr(avail.data(), '\0', len);
    return avail.substr(
        0, nul == nullptr ? len
                          : static_cast<std::size_t>(static_cast<const char*>(nul) - avail.data()));
}

std::string_view NextPictureLine(TextInput& input, std::size_t maxUnits, SquareEncoding& encoding,
                                 bool* nul) {
    const std::string_view avail = input.peek(3 * maxUnits + 4);
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(avail[k]); };
    // As UTF-8 first: a character of two or more bytes is two units in Shift-JIS, except the
    // half-width katakana (U+FF61 to U+FF9F), which are one.
    std::size_t len = 0, units = 0;
    bool utf8 = true;
    while (len < avail.size()) {
        if (b(len) < 0x80) {
            if (units + 1 > maxUnits) break;
            ++units;
            if (avail[len++] == '\n') break;
            continue;
        }
        const std::size_t n = Utf8SequenceLength(avail, len);
        if (n == 0) {
            utf8 = false;
            break;
        }
        const bool halfWidth = n == 3 && b(len) == 0xEF &&
                               ((b(len + 1) == 0xBD && b(len + 2) >= 0xA1) ||
                                (b(len + 1) == 0xBE && b(len + 2) <= 0x9F));
        const std::size_t u = halfWidth ? 1 : 2;
        if (units + u > maxUnits) break;
        units += u;
        len += n;
    }
    if (!utf8) {
        len = 0;
        while (len < avail.size()) {
            const std::size_t n =
                IsSjisLead(b(len)) && len + 1 < avail.size() && avail[len + 1] != '\n' ? 2 : 1;
            if (len + n > maxUnits) break;
            len += n;
            if (avail[len - 1] == '\n') break;
        }
    }
    encoding = utf8 ? SquareEncoding::Utf8 : SquareEncoding::ShiftJis;
    input.skip(len);
    const void* first = std::memchr(avail.data(), '\0', len);
    if (nul != nullptr) *nul = first != nullptr;
    return avail.substr(0, first == nullptr ? len
                                            : static_cast<std::size_t>(
                                                  static_cast<const char*>(first) - avail.data()));
}

bool IsValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string Cp932ToUtf8(std::string_view bytes) {
    std::string out;
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // No converter: keep ASCII, mark everything else.
        for (char c : bytes)
            out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
        return out;
    }
    std::vector<char> input(bytes.begin(), bytes.end());
    char* in = input.data();
    std::size_t inLeft = input.size();
    std::vector<char> buffer(4 * bytes.size() + 16);
    while (inLeft > 0) {
        char* o = buffer.data();
        std::size_t oLeft = buffer.size();
        const std::size_t r = iconv(cd, &in, &inLeft, &o, &oLeft);
        out.append(buffer.data(), buffer.size() - oLeft);
        if (r == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL: one undecodable byte.
            out += "\xEF\xBF\xBD";
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::string DisplayText(std::string_view bytes) {
    return IsValidUtf8(bytes) ? std::string(bytes) : Cp932ToUtf8(bytes);
}

std::string_view CutAtCharacter(std::string_view bytes, std::size_t limit) {
    return CutAtCharacter(bytes, limit, SquareEncodingOf(bytes));
}

std::string_view CutAtCharacter(std::string_view bytes, std::size_t limit,
                                SquareEncoding encoding) {
    if (bytes.size() <= limit) return bytes;
    std::size_t end = 0;
    if (encoding == SquareEncoding::Utf8) {
        end = limit;
        while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
    } else {
        for (std::size_t i = 0; i < bytes.size();) {
            const std::size_t n =
                IsSjisLead(static_cast<unsigned char>(bytes[i])) && i + 1 < bytes.size() ? 2 : 1;
            if (i + n > limit) break;
            i += n;
            end = i;
        }
    }
    return bytes.substr(0, end);
}

std::string ToUtf8(std::string_view bytes, SquareEncoding encoding) {
    return encoding == SquareEncoding::Utf8 ? std::string(bytes) : Cp932ToUtf8(bytes);
}

SquareEncoding SquareEncodingOf(std::string_view bytes) {
    return IsValidUtf8(bytes) ? SquareEncoding::Utf8 : SquareEncoding::ShiftJis;
}

std::string ReplacePictureCharacters(std::string_view line, SquareEncoding encoding) {
    std::string out;
    out.reserve(line.size());
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(line[k]); };
    for (std::size_t i = 0; i < line.size();) {
        if (encoding == SquareEncoding::Utf8) {
            if (b(i) == 0xE2 && i + 2 < line.size() && b(i + 1) == 0x96 &&
                (b(i + 2) == 0xA1 || b(i + 2) == 0xA0)) {
                out += b(i + 2) == 0xA1 ? '.' : '*';
                i += 3;
                continue;
            }
        } else if (IsSjisLead(b(i)) && i + 1 < line.size()) {
            if (b(i) == 0x81 && (b(i + 1) == 0xA0 || b(i + 1) == 0xA1))
                out += b(i + 1) == 0xA0 ? '.' : '*';
            else
                out.append(line.substr(i, 2));
            i += 2;
            continue;
        }
        out += line[i] == 'O' ? '*' : line[i];
        ++i;
    }
    return out;
}

}  // namespace gb
