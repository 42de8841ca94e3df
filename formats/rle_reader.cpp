#include "formats/rle_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/rule.h"
#include "formats/reader_common.h"

namespace gb {

namespace {

constexpr std::size_t kRleLineMax = 10000;    // a longer line is taken in pieces
constexpr std::size_t kCommentLimit = 10002;  // text after "!" is kept while below this
constexpr std::size_t kRuleMax = 51;          // bytes of a header's rule text kept

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void ReadHeaderLine(std::string_view line, const RleReadingParams& params, RleReadState& s) {
    const std::size_t lastComma = line.rfind(',');
    const long long p =
        lastComma == std::string_view::npos ? -1 : static_cast<long long>(lastComma);
    std::string text(line);
    for (char& c : text)
        if (c == '\n' || c == '\r') c = ',';
    if (text.empty() || text.back() != ',') text += ',';

    long long examined = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // Fields are the non-empty runs between commas.
        while (pos < text.size() && text[pos] == ',') ++pos;
        if (pos >= text.size()) break;
        const std::size_t end = text.find(',', pos);
        const std::string_view raw = std::string_view(text).substr(pos, end - pos);
        pos = end;
        if (examined > p) break;
        examined += static_cast<long long>(raw.size());

        std::string field;
        for (char c : raw)
            if (c != ' ' && c != '\t') field += c;
        if (field.find("x=") != std::string::npos) s.columnCursor = params.startColumn;
        if (field.find("y=") != std::string::npos) s.rowCursor = params.startRow;
        if (field.find("rule=") != std::string::npos) {
            std::string rule;
            if (field.starts_with("rule=")) {
                for (std::size_t i = 5;
                     i < field.size() && !IsCSpace(field[i]) && rule.size() < kRuleMax; ++i)
                    rule += field[i];
            }
            s.ruleText = rule;
            s.ruleGiven = true;
        }
    }
}

void ReadControlLine(std::string_view line, RleReadState& s) {
    const char second = line.size() > 1 ? line[1] : '\0';
    switch (second) {
        case 'C':
        case 'c':
        case ' ': s.comment.append(ControlLineText(line)); break;
        case 'N': s.nameText = DisplayText(ControlLineText(line)) + "\n"; break;
        case 'O': s.authorText = DisplayText(ControlLineText(line)) + "\n"; break;
        case 'r':
            s.ruleText = std::string(ControlLineText(line));
            s.ruleGiven = true;
            break;
        case 'R':
            if (line.size() < 6) {
                s.placeX = s.placeY = 0;
            } else {
                std::size_t pos = 2;
                if (ScanInteger(line, pos, s.placeX)) ScanInteger(line, pos, s.placeY);
                s.placeSeen = true;
            }
            break;
        default: break;
    }
}

// Live cells n times from the cursor; only those inside the limits are written, so the work is
// bounded by the row width whatever n is.
inline void PlaceRun(CellGrid& staging, const RleReadingParams& params, RleReadState& s, Wide n) {
    const Wide y = s.rowCursor + s.placeY;
    if (y >= params.minY && y < params.endY) {
        const Wide x0 = s.columnCursor + s.placeX;
        const Wide lo = std::max<Wide>(x0, params.minX);
        const Wide hi = std::min<Wide>(x0 + n, params.endX);
        if (lo < hi)
            staging.fillSpan(static_cast<int>(y), static_cast<int>(lo), static_cast<int>(hi) - 1);
    }
    s.columnCursor = AddClamped(s.columnCursor, n);
}

bool IsRejected(char c) {
    static const auto table = [] {
        std::array<bool, 256> t{};
        for (char r : kRejectedLetters) t[static_cast<unsigned char>(r)] = true;
        return t;
    }();
    return table[static_cast<unsigned char>(c)];
}

// What the bytes of a piece of a pattern line are, a bit per byte, and how far each letter moves
// the cursor when its count is at most one digit.
struct ByteClasses {
    std::uint64_t letters = 0;  // "o", "b" and "$"
    std::uint64_t live = 0;     // "o"
    std::uint64_t rows = 0;     // "$"
    std::uint64_t digits = 0;
    std::uint64_t other = 0;  // neither a letter nor a digit
    // For a letter: the digit before it, or 1 (for no digit, or "0"); 0 for other bytes.
    alignas(16) std::uint8_t advance[64];
    // The same for "o" only: the live cells of its run.
    alignas(16) std::uint8_t cells[64];
};

// The classes of the n (1 .. 64) bytes at p; the bits from n on count as other. before is the
// value of the byte before p if it is a digit, 0 otherwise.
void ClassifyBytes(const char* p, std::size_t n, unsigned before, ByteClasses& c) {
#if defined(__SSE2__)
    // Only the 16-byte vectors that hold the n bytes are looked at (a line's last piece is
    // often short); the rest of the 64 count as other.
    const int vectors = static_cast<int>((n + 15) / 16);
    alignas(16) char tail[64];
    if (n < 64) {
        std::memset(tail, 0, sizeof tail);
        std::memcpy(tail, p, n);
        p = tail;
    }
    const __m128i zero = _mm_set1_epi8('0'), nine = _mm_set1_epi8(9), one = _mm_set1_epi8(1);
    const __m128i o = _mm_set1_epi8('o'), b = _mm_set1_epi8('b'), dollar = _mm_set1_epi8('$');
    // Digit values, 0 elsewhere; the last byte of the previous 16 is wanted as byte -1.
    __m128i previous = _mm_slli_si128(_mm_cvtsi32_si128(static_cast<int>(before)), 15);
    c.letters = c.live = c.rows = c.digits = 0;
    c.other = vectors < 4 ? ~std::uint64_t{0} << (16 * vectors) : 0;
    for (int k = 0; k < vectors; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i d = _mm_sub_epi8(v, zero);
        const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(d, nine), d);
        const __m128i isO = _mm_cmpeq_epi8(v, o), isRow = _mm_cmpeq_epi8(v, dollar);
        const __m128i letter = _mm_or_si128(_mm_or_si128(isO, isRow), _mm_cmpeq_epi8(v, b));
        const __m128i value = _mm_and_si128(d, digit);
        const __m128i prior = _mm_or_si128(_mm_slli_si128(value, 1), _mm_srli_si128(previous, 15));
        previous = value;
        const __m128i advance = _mm_and_si128(_mm_max_epu8(prior, one), letter);
        _mm_store_si128(reinterpret_cast<__m128i*>(c.advance + 16 * k), advance);
        _mm_store_si128(reinterpret_cast<__m128i*>(c.cells + 16 * k), _mm_and_si128(advance, isO));
        const auto mask = [](__m128i m) {
            return static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(m)));
        };
        c.letters |= mask(letter) << (16 * k);
        c.live |= mask(isO) << (16 * k);
        c.rows |= mask(isRow) << (16 * k);
        c.digits |= mask(digit) << (16 * k);
        c.other |= (mask(_mm_or_si128(letter, digit)) ^ 0xFFFF) << (16 * k);
    }
#else
    c.letters = c.live = c.rows = c.digits = 0;
    c.other = n < 64 ? ~std::uint64_t{0} << n : 0;
    for (std::size_t i = 0; i < 64; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        const char ch = i < n ? p[i] : '\0';
        const unsigned prior = i == 0 ? before
                               : (c.digits >> (i - 1) & 1) != 0
                                   ? static_cast<unsigned>(p[i - 1] - '0')
                                   : 0;
        c.advance[i] = c.cells[i] = 0;
        if (ch == 'o' || ch == 'b' || ch == '$') {
            c.letters |= bit;
            c.advance[i] = static_cast<std::uint8_t>(std::max(prior, 1u));
            if (ch == 'o') {
                c.live |= bit;
                c.cells[i] = c.advance[i];
            }
            if (ch == '$') c.rows |= bit;
        } else if (ch >= '0' && ch <= '9' && i < n) {
            c.digits |= bit;
        } else {
            c.other |= bit;
        }
    }
#endif
}

// A digit's value; 0 for every other byte.
constexpr auto kDigitValue = [] {
    std::array<std::uint8_t, 256> t{};
    for (int d = 0; d < 10; ++d) t['0' + d] = static_cast<std::uint8_t>(d);
    return t;
}();

// to[i] = advance[0] + ... + advance[i] for the first 8 × groups advances.
void AdvanceSums(const std::uint8_t* advance, std::uint16_t* to, int groups) {
#if defined(__SSE2__)
    // Sums within each 8 advances first, so that only one addition a piece waits for the
    // pieces before it.
    const __m128i zero = _mm_setzero_si128();
    __m128i carry = zero;  // the sum so far in every lane
    for (int k = 0; k < groups; ++k) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(advance + 8 * k));
        __m128i s = _mm_unpacklo_epi8(bytes, zero);
        s = _mm_add_epi16(s, _mm_slli_si128(s, 2));
        s = _mm_add_epi16(s, _mm_slli_si128(s, 4));
        s = _mm_add_epi16(s, _mm_slli_si128(s, 8));
        const __m128i high = _mm_shufflehi_epi16(s, 0xFF);
        const __m128i total = _mm_unpackhi_epi64(high, high);  // lane 7 in every lane
        _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 8 * k), _mm_add_epi16(s, carry));
        carry = _mm_add_epi16(carry, total);
    }
#else
    unsigned sum = 0;
    for (int i = 0; i < 8 * groups; ++i) to[i] = static_cast<std::uint16_t>(sum += advance[i]);
#endif
}

// Bit i of the result is the XOR of bits 0 .. i of v.
inline std::uint64_t PrefixXor(std::uint64_t v) {
    v ^= v << 1;
    v ^= v << 2;
    v ^= v << 4;
    v ^= v << 8;
    v ^= v << 16;
    v ^= v << 32;
    return v;
}

// The common part of a pattern line ("o", "b", "$" and counts of up to 8 digits) in plain 64-bit
// arithmetic. Returns where the general loop goes on: the end, or the digits (if any) before
// the first byte left to it ("!", anything else, a longer number, or a count carried from the
// last line that is too large).
//
// The bytes are classified 64 at a time and the letters taken one after another from the masks.
// A run of live cells toggles two bits, where it starts and where it ends; the words of the
// cursor's row gather in a register and each becomes cells by a prefix XOR when the cursor
// leaves it, the parity carried into the next word (a long run fills the words between).
[[gnu::noinline]] std::size_t ReadRunsFast(CellGrid& g, std::string_view line,
                                           const RleReadingParams& p, RleReadState& s) {
    // Every count taken here is below 2^40 and a line holds at most kRleLineMax of them, so
    // cursors starting below 2^58 cannot overflow.
    constexpr std::int64_t kSafe = std::int64_t{1} << 58;
    constexpr std::uint64_t kCountMax = std::uint64_t{1} << 40;
    const auto fits = [](Wide v) { return v > -kSafe && v < kSafe; };
    if (!fits(s.columnCursor) || !fits(s.rowCursor) || !fits(s.placeX) || !fits(s.placeY) ||
        s.runCount < 0 || s.runCount >= 1000000000)
        return 0;
    const auto px = static_cast<std::int64_t>(s.placeX);
    const auto py = static_cast<std::int64_t>(s.placeY);
    // The limits, within the staging grid.
    const std::int64_t minX = std::max<std::int64_t>(p.minX, 0);
    const std::int64_t endX = std::max(std::min<std::int64_t>(p.endX, g.width()), minX);
    const std::int64_t minY = std::max<std::int64_t>(p.minY, 0);
    const std::int64_t endY = std::min<std::int64_t>(p.endY, g.height());
    const std::int64_t startX = p.startColumn + px;
    std::int64_t x = static_cast<std::int64_t>(s.columnCursor) + px;  // the cursor's staging column
    auto row = static_cast<std::int64_t>(s.rowCursor);
    auto carry = static_cast<std::uint64_t>(s.runCount);
    std::int64_t y = row + py;
    bool inside = y >= minY && y < endY;

    // The word the cursor is in, its toggles, and all ones when a run reached it live.
    std::int64_t cw = x >> 6;
    std::uint64_t acc = 0, parity = 0;
    const auto emit = [&](std::int64_t w, std::uint64_t v) {
        const std::int64_t base = w * 64;
        if (base >= endX || base + 64 <= minX) return;
        if (base < minX) v &= ~std::uint64_t{0} << (minX - base);
        if (endX - base < 64) v &= (std::uint64_t{1} << (endX - base)) - 1;
        if (v != 0) g.orWord(static_cast<int>(w), static_cast<int>(y), v);
    };
    // Ends word cw and moves to word w > cw.
    const auto moveTo = [&](std::int64_t w) {
        const std::uint64_t cells = PrefixXor(acc) ^ parity;
        parity = std::uint64_t{0} - (cells >> 63);
        if (inside) {
            emit(cw, cells);
            if (parity != 0)
                for (std::int64_t k = std::max(cw + 1, minX >> 6); k < w && k * 64 < endX; ++k)
                    emit(k, ~std::uint64_t{0});
        }
        cw = w;
        acc = 0;
    };

    // A live run from lo to hi (lo <= hi; nothing when they are equal), or a dead one.
    const auto toggle = [&](std::int64_t lo, std::int64_t hi) {
        if ((hi >> 6) == cw) [[likely]] {
            acc ^= (std::uint64_t{1} << (lo & 63)) ^ (std::uint64_t{1} << (hi & 63));
            return;
        }
        if ((lo >> 6) != cw) moveTo(lo >> 6);
        acc ^= std::uint64_t{1} << (lo & 63);
        if ((hi >> 6) != cw) moveTo(hi >> 6);
        acc ^= std::uint64_t{1} << (hi & 63);
    };
    const auto nextRow = [&](std::uint64_t count) {
        moveTo(cw + 1);
        parity = 0;
        row += static_cast<std::int64_t>(count);
        y = row + py;
        inside = y >= minY && y < endY;
        x = startX;
        cw = x >> 6;
    };

    const char* const data = line.data();
    const std::size_t size = line.size();
    std::int64_t last = -1;            // the last letter taken
    std::uint64_t previousDigits = 0;  // the digits of the previous 64 bytes
    bool done = false;
    ByteClasses c;
    for (std::size_t base = 0; base < size && !done; base += 64) {
        ClassifyBytes(data + base, std::min<std::size_t>(64, size - base),
                      base == 0 ? 0u : kDigitValue[static_cast<unsigned char>(data[base - 1])], c);
        std::uint64_t letters = c.letters;
        if (c.other != 0) {
            letters &= (std::uint64_t{1} << __builtin_ctzll(c.other)) - 1;
            done = true;
        }
        // Where no count has two digits (two digits in a row, here or across the start) and
        // none is carried, the advances are the letters' counts.
        const bool shortCounts = carry == 0 && (previousDigits >> 62) != 3 &&
                                 (c.digits & (c.digits << 1 | previousDigits >> 63)) == 0;
        previousDigits = c.digits;
        if (shortCounts && (letters & c.rows) == 0 && letters != 0) [[likely]] {
            // No "$" either: a live run ends where the sum of the advances up to its letter
            // reaches, so the dead runs need no work at all.
            const int top = 63 - __builtin_clzll(letters);
            last = static_cast<std::int64_t>(base) + top;
            alignas(16) std::uint16_t sums[64];
            AdvanceSums(c.advance, sums, top / 8 + 1);
            const std::int64_t from = x;
            for (std::uint64_t live = letters & c.live; live != 0; live &= live - 1) {
                const int bit = __builtin_ctzll(live);
                const std::int64_t end = from + sums[bit];
                toggle(end - c.cells[bit], end);
            }
            x = from + sums[top];
            continue;
        }
        if (shortCounts) {
            if (letters != 0)
                last = static_cast<std::int64_t>(base) + 63 - __builtin_clzll(letters);
            while (letters != 0) {
                // The letters before the next "$", then the "$".
                const std::uint64_t rows = letters & c.rows;
                std::uint64_t runs = rows != 0 ? letters & ((rows & (0 - rows)) - 1) : letters;
                letters ^= runs;
                while (runs != 0) {
                    const int bit = __builtin_ctzll(runs);
                    runs &= runs - 1;
                    const std::int64_t lo = x;
                    x += c.advance[bit];
                    toggle(lo, lo + c.cells[bit]);
                }
                if (letters != 0) {
                    const int bit = __builtin_ctzll(letters);
                    letters &= letters - 1;
                    nextRow(c.advance[bit]);
                }
            }
            continue;
        }
        while (letters != 0) {
            const int bit = __builtin_ctzll(letters);
            letters &= letters - 1;
            const auto at = static_cast<std::int64_t>(base) + bit;
            const std::int64_t digits = at - last - 1;
            std::uint64_t count;
            if (digits > 1 || carry != 0) {
                if (digits > 8) {
                    done = true;
                    break;
                }
                count = carry;
                for (std::int64_t k = last + 1; k < at; ++k)
                    count = count * 10 + static_cast<std::uint64_t>(data[k] - '0');
                if (count >= kCountMax) {
                    done = true;
                    break;
                }
                carry = 0;
            } else {
                count = kDigitValue[static_cast<unsigned char>(data[at - 1 + (digits == 0)])];
            }
            count += count == 0;
            last = at;
            if ((c.rows >> bit & 1) != 0) {
                nextRow(count);
                continue;
            }
            const std::int64_t lo = x;
            x += static_cast<std::int64_t>(count);
            toggle(lo, lo + static_cast<std::int64_t>(count &
                                                      (std::uint64_t{0} - (c.live >> bit & 1))));
        }
    }
    moveTo(cw + 1);
    s.columnCursor = x - px;
    s.rowCursor = row;
    s.runCount = static_cast<Wide>(carry);
    return static_cast<std::size_t>(last + 1);
}

// False when the line holds a rejected letter.
bool ReadPatternLine(CellGrid& staging, std::string_view line, const RleReadingParams& params,
                     RleReadState& s) {
    if (s.patternEnded) {
        if (s.comment.bytes + line.size() < kCommentLimit) s.comment.append(line);
        return true;
    }
    if (line.size() > 1) ++s.patternLines;
    const std::size_t size = line.size();
    for (std::size_t i = ReadRunsFast(staging, line, params, s); i < size && !s.patternEnded; ++i) {
        const char c = line[i];
        if (c >= '0' && c <= '9') {
            // A whole number at once; a long one, or one continued from the last line, digit by
            // digit with the limit.
            std::size_t j = i;
            std::uint64_t v = 0;
            while (j < size && line[j] >= '0' && line[j] <= '9' && j - i < 18)
                v = v * 10 + static_cast<std::uint64_t>(line[j++] - '0');
            if (s.runCount == 0 && (j == size || line[j] < '0' || line[j] > '9')) {
                s.runCount = static_cast<Wide>(v);
            } else {
                for (j = i; j < size && line[j] >= '0' && line[j] <= '9'; ++j)
                    s.runCount = AppendDigit(s.runCount, line[j] - '0');
            }
            i = j - 1;
            continue;
        }
        const Wide n = s.runCount == 0 ? 1 : s.runCount;
        switch (c) {
            case 'o':
                PlaceRun(staging, params, s, n);
                s.runCount = 0;
                break;
            case 'b':
                s.columnCursor = AddClamped(s.columnCursor, n);
                s.runCount = 0;
                break;
            case '$':
                s.columnCursor = params.startColumn;
                s.rowCursor = AddClamped(s.rowCursor, n);
                s.runCount = 0;
                break;
            case '!': s.patternEnded = true; break;
            default:
                // Everything before i was a count or a run, none of them rejected.
                for (char r : line.substr(i))
                    if (IsRejected(r)) return false;
                return true;  // the rest of the line is skipped; runCount is kept
        }
    }
    return true;
}

// Where the next line stops: the first NUL, 0xFF, CR or LF among the n bytes at p, or n.
std::size_t FindLineStop(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i nul = _mm_setzero_si128();
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, nul), _mm_cmpeq_epi8(v, ff)),
                         _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c == 0 || c == 0xFF || c == '\n' || c == '\r') return i;
    }
    return n;
}

// How many of the n bytes at p are NUL or 0xFF before the first that is neither.
std::size_t CountUnstoredEnds(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i nul = _mm_setzero_si128();
    const __m128i ff = _mm_set1_epi8(static_cast<char>(0xFF));
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const int mask =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, nul), _mm_cmpeq_epi8(v, ff)));
        if (mask != 0xFFFF)
            return i + static_cast<std::size_t>(__builtin_ctz(~static_cast<unsigned>(mask)));
    }
#endif
    for (; i < n; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (c != 0 && c != 0xFF) return i;
    }
    return n;
}

// The next line: 0xFF, NUL and the end end it unstored; CR and LF end it stored; a line of
// kRleLineMax bytes ends there. The NUL and 0xFF bytes right after a line that one of them
// ended are lines of their own, empty ones that change nothing: they are passed over at once.
std::string_view TakeLine(TextInput& input) {
    const std::string_view avail = input.peek(kRleLineMax);
    const std::size_t n = std::min(avail.size(), kRleLineMax);
    const std::size_t stop = FindLineStop(avail.data(), n);
    if (stop == n) {
        input.skip(n);
        return avail.substr(0, n);
    }
    const auto c = static_cast<unsigned char>(avail[stop]);
    if (c != 0 && c != 0xFF) {
        input.skip(stop + 1);
        return avail.substr(0, stop + 1);
    }
    // The line stays valid in the input's buffer until the next peek; the run after it is
    // measured within what is buffered now, and the rest of a longer run by the next lines.
    std::size_t end = stop + 1;
    end += CountUnstoredEnds(avail.data() + end, avail.size() - end);
    input.skip(end);
    return avail.substr(0, stop);
}

}  // namespace

RleReadingParams FileRleParams(const Field& field) {
    RleReadingParams p;
    p.startColumn = 0;
    p.startRow = 0;
    p.minX = 0;
    p.endX = field.loadWidth;
    p.minY = 0;
    p.endY = field.loadHeight;
    p.centreInGrid = true;
    p.centreWidth = field.gridWidth;
    p.centreHeight = field.gridHeight;
    p.markCutNotice = true;
    p.unsupported = {"サポートしていないファイル形式です。",
                     "RLE形式として読み込みましたが、データが\"x\"または\"#\"で始まっていません。"};
    p.rejected = {"パターンデータの中に認識できない文字が見つかりました。",
                  "パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" "
                  "だけです。\r\nこのファイルは読み込めません。"};
    p.empty = {"認識できないデータ構造です。", "有効なパターンデータが見つかりませんでした。"};
    return p;
}

RleReadingParams PasteRleParams(const Field& f) {
    RleReadingParams p;
    p.startColumn = f.gridWidth / 2;
    p.startRow = f.gridHeight / 2;
    p.minX = 1;
    p.endX = std::min(2 * f.gridWidth - 2, f.loadWidth);
    p.minY = 1;
    p.endY = std::min(2 * f.gridHeight - 2, f.loadHeight);
    p.centreInGrid = false;
    p.markCutNotice = false;
    p.unsupported = {
        "RLEデータ貼り付け機能。サポートしていないデータ形式です。",
        "RLE形式として貼り付けを試みましたが、データが\"x\"または\"#\"で始まっていません。"};
    p.rejected = {"RLEデータ貼り付け機能。パターンデータの中に認識できない文字が見つかりました。",
                  "パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" "
                  "だけです。\r\nこのデータは貼り付けできません。"};
    p.empty = {"RLEデータ貼り付け機能。認識できないデータ構造です。",
               "有効なパターンデータが見つかりませんでした。"};
    return p;
}

std::optional<RleMessage> RleReading(std::string_view source, const RleReadingParams& params,
                                     CellGrid& staging, RleReadState& s) {
    TextInput input(source, false);
    return RleReading(input, params, staging, s);
}

std::optional<RleMessage> RleReading(TextInput& input, const RleReadingParams& params,
                                     CellGrid& staging, RleReadState& s) {
    s.columnCursor = params.startColumn;
    s.rowCursor = params.startRow;
    s.runCount = 0;

    bool first = true;
    do {
        const std::string_view line = TakeLine(input);
        if (first) {
            first = false;
            if (line.empty() || (line[0] != 'x' && line[0] != '#')) return params.unsupported;
            staging.clear();
        }
        if (line.empty()) continue;
        switch (line[0]) {
            case 'x': ReadHeaderLine(line, params, s); break;
            case '#': ReadControlLine(line, s); break;
            case ' ': break;
            default:
                if (!ReadPatternLine(staging, line, params, s)) return params.rejected;
        }
    } while (!input.atEnd());
    return std::nullopt;
}

PatternRead ParseRle(TextInput& input, const RleReadingParams& params, CellGrid& staging) {
    RleReadState s;
    if (auto refusal = RleReading(input, params, staging, s))
        return PatternRead::Refuse(std::move(*refusal));
    if (s.patternLines == 0) return PatternRead::Refuse(params.empty);

    PatternRead r;
    ReadPattern& p = r.pattern;
    p.format = PatternFormat::Rle;
    p.rule = s.ruleGiven ? s.ruleText : std::string(kDefaultRule);
    const Extent e = staging.extent();
    if (e.found) {
        // With an "#R" position the cells stay where the cursor put them.
        p.cells = {true, e.left, e.top, e.right, e.bottom, 0, 0};
        if (!s.placeSeen) {
            p.cells.dx = params.centreInGrid ? (params.centreWidth - e.width) / 2 : -(e.width / 2);
            p.cells.dy =
                params.centreInGrid ? (params.centreHeight - e.height) / 2 : -(e.height / 2);
        }
    }
    // Each line of the notice is UTF-8 already, whichever encoding it was written in.
    p.notice =
        s.nameText + s.authorText + (params.markCutNotice ? s.comment.shown() : s.comment.text);
    return r;
}

PatternRead ParseRleFile(TextInput& input, const Field& field, CellGrid& staging) {
    return ParseRle(input, FileRleParams(field), staging);
}

}  // namespace gb
