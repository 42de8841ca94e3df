#include "formats/bytes.h"

#include <iconv.h>

#include <cerrno>
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

std::string_view LineReader::next() {
    const std::size_t start = pos_;
    std::size_t end = start;
    while (end < bytes_.size() && end - start < max_) {
        if (bytes_[end++] == '\n') break;
    }
    pos_ = end;
    std::string_view piece = bytes_.substr(start, end - start);
    const std::size_t nul = piece.find('\0');
    return nul == std::string_view::npos ? piece : piece.substr(0, nul);
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
        for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? std::string(1, c) : "\xEF\xBF\xBD";
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
    if (bytes.size() <= limit) return bytes;
    std::size_t end = 0;
    if (IsValidUtf8(bytes)) {
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
