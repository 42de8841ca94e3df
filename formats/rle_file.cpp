#include "formats/rle_file.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/run.h"
#include "core/shell.h"
#include "core/zoom.h"
#include "formats/reader_common.h"

namespace gb {

namespace {

constexpr std::size_t kRleLineMax = 10000;   // a longer line is taken in pieces
constexpr std::size_t kCommentLimit = 10002;  // text after "!" is kept while below this
constexpr std::size_t kRuleMax = 51;         // bytes of a header's rule text kept

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void FailWith(Context& ctx, const RleReadingParams& params, const RleMessage& message) {
    if (params.useBusy) {
        ctx.field.busy = 0;
        RefreshCursor(ctx);
    }
    ctx.shell.messageCaption = message.caption;
    AppMessageBox(ctx, message.text, Icon::Exclamation);
}

void ReadHeaderLine(std::string_view line, const RleReadingParams& params, RleReadState& s) {
    const std::size_t lastComma = line.rfind(',');
    const long long p = lastComma == std::string_view::npos ? -1 : static_cast<long long>(lastComma);
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
                for (std::size_t i = 5; i < field.size() && !IsCSpace(field[i]) && rule.size() < kRuleMax; ++i)
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
        case ' ':
            s.comment.append(ControlLineText(line));
            break;
        case 'N':
            s.nameText = DisplayText(ControlLineText(line)) + "\n";
            break;
        case 'O':
            s.authorText = DisplayText(ControlLineText(line)) + "\n";
            break;
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
        default:
            break;
    }
}

// Live cells n times from the cursor; only those inside the limits are written, so the work is
// bounded by the row width whatever n is.
inline void PlaceRun(Field& f, const RleReadingParams& params, RleReadState& s, Wide n) {
    const Wide y = s.rowCursor + s.placeY;
    if (y >= params.minY && y < params.endY) {
        const Wide x0 = s.columnCursor + s.placeX;
        const Wide lo = std::max<Wide>(x0, params.minX);
        const Wide hi = std::min<Wide>(x0 + n, params.endX);
        if (lo < hi) f.staging().fillSpan(static_cast<int>(y), static_cast<int>(lo), static_cast<int>(hi) - 1);
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

// Sets bits lo .. hi - 1 (lo < hi) of a row of words.
void SetBits(std::uint64_t* bits, std::int64_t lo, std::int64_t hi) {
    std::int64_t w = lo >> 6;
    const std::int64_t last = (hi - 1) >> 6;
    const std::uint64_t head = ~std::uint64_t{0} << (lo & 63);
    const std::uint64_t tail = ~std::uint64_t{0} >> (63 - ((hi - 1) & 63));
    if (w == last) {
        bits[w] |= head & tail;
        return;
    }
    bits[w++] |= head;
    for (; w < last; ++w) bits[w] = ~std::uint64_t{0};
    bits[last] |= tail;
}

// The common part of a pattern line ("o", "b", "$" and counts) while every number stays far
// below the limit, in plain 64-bit arithmetic. Returns where it stopped: the end, or the first
// byte it leaves to the general loop ("!", anything else, or a number grown too large).
//
// The cells of the cursor's row gather as bits in s.rowBits (by staging column) and are ORed
// into the staging grid, only the words written, when the row or the loop is left.
[[gnu::noinline]] std::size_t ReadRunsFast(Field& f, std::string_view line, const RleReadingParams& p,
                                          RleReadState& s) {
    constexpr std::int64_t kSafe = std::int64_t{1} << 60;
    const auto fits = [](Wide v) { return v > -kSafe && v < kSafe; };
    if (!fits(s.columnCursor) || !fits(s.rowCursor) || !fits(s.placeX) || !fits(s.placeY) ||
        !fits(s.runCount))
        return 0;
    auto col = static_cast<std::int64_t>(s.columnCursor);
    auto row = static_cast<std::int64_t>(s.rowCursor);
    auto count = static_cast<std::int64_t>(s.runCount);
    const auto px = static_cast<std::int64_t>(s.placeX);
    const auto py = static_cast<std::int64_t>(s.placeY);
    const std::int64_t minX = p.minX, endX = std::max(p.endX, p.minX), minY = p.minY, endY = p.endY;
    const std::int64_t startColumn = p.startColumn;
    // Words for columns 0 .. endX and one more, so that a run's second word always exists.
    const auto words = static_cast<std::size_t>((endX >> 6) + 2);
    if (s.rowBits.size() < words) s.rowBits.assign(words, 0);
    std::uint64_t* const bits = s.rowBits.data();
    CellGrid& staging = f.staging();
    std::int64_t y = row + py;
    bool inside = y >= minY && y < endY;  // the cursor's row is inside the limits
    // The words of bits written so far (first > last: none).
    constexpr std::int64_t kNone = std::numeric_limits<std::int64_t>::max();
    std::int64_t first = kNone, last = -1;
    const auto flushRow = [&] {
        if (last < 0) return;
        staging.orBits(static_cast<int>(y), static_cast<int>(first * 64), bits + first,
                       static_cast<int>((last - first + 1) * 64));
        std::fill(bits + first, bits + last + 1, 0);
        first = kNone;
        last = -1;
    };

    // Digits, "o" and "b" take one path without a branch that depends on which they are, since
    // in a random pattern that branch would be mispredicted at nearly every token: a digit
    // advances nothing, and every run of up to 64 cells is one OR into two words of its row
    // (of nothing for "b").
    const std::size_t size = line.size();
    std::size_t i = 0;
    // What a byte is, as bits: 1 a digit, 2 "o", 4 "b", 8 "$".
    static constexpr auto kClass = [] {
        std::array<std::uint8_t, 256> t{};
        for (int d = '0'; d <= '9'; ++d) t[d] = 1;
        t['o'] = 2;
        t['b'] = 4;
        t['$'] = 8;
        return t;
    }();
    for (; i < size; ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        const unsigned cls = kClass[c];
        if ((cls & 7) == 0) {
            if (cls == 0) break;  // "!" and everything else: the general way
            flushRow();
            col = startColumn;
            row += count + (count == 0);
            count = 0;
            y = row + py;
            inside = y >= minY && y < endY;
            if (row >= kSafe) {
                ++i;
                break;
            }
            continue;
        }
        if (count >= kSafe / 16) break;  // a number near the limit: the general way
        // All-ones masks instead of branches: notDigit for "o" and "b", live for "o".
        const auto isDigit = static_cast<std::int64_t>(cls & 1);
        const std::int64_t notDigit = isDigit - 1;
        const auto live = -static_cast<std::uint64_t>((cls >> 1) & 1);
        const std::int64_t advance = (count + (count == 0)) & notDigit;
        if (inside) {
            const std::int64_t lo = std::max(col + px, minX);
            const std::int64_t hi = std::min(col + px + advance, endX);
            const std::int64_t len = hi - lo;
            const std::uint64_t wrote = live & -static_cast<std::uint64_t>(len > 0);
            if (len <= 64) {
                // Where nothing is written lo may lie anywhere right of the limit: the OR of
                // nothing then goes to the last word.
                const std::int64_t at = std::min(lo, endX);
                const std::uint64_t run =
                    (~std::uint64_t{0} >> (64 - std::clamp<std::int64_t>(len, 1, 64))) & wrote;
                const int off = static_cast<int>(at & 63);
                bits[at >> 6] |= run << off;
                bits[(at >> 6) + 1] |= (run >> 1) >> (63 - off);
            } else if (wrote != 0) {
                SetBits(bits, lo, hi);
            }
            const auto m = static_cast<std::int64_t>(wrote);
            first = std::min(first, ((lo >> 6) & m) | (kNone & ~m));
            last = std::max(last, (((hi - 1) >> 6) & m) | ~m);
        }
        col += advance;
        count = (count * 10 + static_cast<std::int64_t>(c - '0')) & -isDigit;
        if (col >= kSafe) {
            ++i;
            break;
        }
    }
    s.columnCursor = col;
    s.rowCursor = row;
    s.runCount = count;
    flushRow();
    return i;
}

// 0: the line was taken; 1: it holds a rejected letter.
int ReadPatternLine(Context& ctx, std::string_view line, const RleReadingParams& params,
                    RleReadState& s) {
    if (s.patternEnded) {
        if (s.comment.bytes + line.size() < kCommentLimit) s.comment.append(line);
        return 0;
    }
    if (line.size() > 1) ++s.patternLines;
    const std::size_t size = line.size();
    for (std::size_t i = ReadRunsFast(ctx.field, line, params, s); i < size && !s.patternEnded; ++i) {
        const char c = line[i];
        if (c >= '0' && c <= '9') {
            // A whole number at once; a long one, or one continued from the last line, digit by
            // digit with the limit.
            std::size_t j = i;
            std::uint64_t v = 0;
            while (j < size && line[j] >= '0' && line[j] <= '9' && j - i < 18) v = v * 10 + static_cast<std::uint64_t>(line[j++] - '0');
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
                PlaceRun(ctx.field, params, s, n);
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
            case '!':
                s.patternEnded = true;
                break;
            default:
                // Everything before i was a count or a run, none of them rejected.
                for (char r : line.substr(i))
                    if (IsRejected(r)) {
                        FailWith(ctx, params, params.rejected);
                        return 1;
                    }
                return 0;  // the rest of the line is skipped; runCount is kept
        }
    }
    return 0;
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
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, nul), _mm_cmpeq_epi8(v, ff)),
                                         _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0) return i + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
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
        const int mask = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(v, nul), _mm_cmpeq_epi8(v, ff)));
        if (mask != 0xFFFF) return i + static_cast<std::size_t>(__builtin_ctz(~static_cast<unsigned>(mask)));
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
    p.useBusy = true;
    p.unsupported = {"サポートしていないファイル形式です。",
                     "RLE形式として読み込みましたが、データが\"x\"または\"#\"で始まっていません。"};
    p.rejected = {"パターンデータの中に認識できない文字が見つかりました。",
                  "パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" "
                  "だけです。\r\nこのファイルは読み込めません。"};
    return p;
}

int RleReading(Context& ctx, std::string_view source, const RleReadingParams& params,
               RleReadState& s) {
    TextInput input(source, false);
    return RleReading(ctx, input, params, s);
}

int RleReading(Context& ctx, TextInput& input, const RleReadingParams& params, RleReadState& s) {
    Field& f = ctx.field;
    s.columnCursor = params.startColumn;
    s.rowCursor = params.startRow;
    s.runCount = 0;

    bool first = true;
    do {
        const std::string_view line = TakeLine(input);
        if (first) {
            first = false;
            if (line.empty() || (line[0] != 'x' && line[0] != '#')) {
                FailWith(ctx, params, params.unsupported);
                return 1;
            }
            f.staging().clear();
        }
        if (line.empty()) continue;
        switch (line[0]) {
            case 'x':
                ReadHeaderLine(line, params, s);
                break;
            case '#':
                ReadControlLine(line, s);
                break;
            case ' ':
                break;
            default:
                if (ReadPatternLine(ctx, line, params, s) != 0) return 1;
        }
    } while (!input.atEnd());
    return 0;
}

int ReadRleFile(Context& ctx, std::string_view bytes, const std::string& path) {
    TextInput input(bytes);
    return ReadRleFile(ctx, input, path);
}

int ReadRleFile(Context& ctx, TextInput& input, const std::string& path) {
    CheckMemory(ctx);
    Field& f = ctx.field;
    f.busy = 1;
    RefreshCursor(ctx);

    const RleReadingParams params = FileRleParams(f);
    RleReadState s;
    if (RleReading(ctx, input, params, s) != 0) return 1;
    if (s.patternLines == 0) {
        f.busy = 0;
        RefreshCursor(ctx);
        ctx.shell.messageCaption = "認識できないデータ構造です。";
        AppMessageBox(ctx, "有効なパターンデータが見つかりませんでした。", Icon::Exclamation);
        return 1;
    }
    const std::string rule = s.ruleGiven ? FileRuleText(s.ruleText) : std::string(kDefaultRule);

    ClearCells(f);
    f.generation = 0;
    const Extent e = f.staged().extent();
    if (e.found) {
        // With an "#R" position the cells stay where they are; otherwise the pattern's origin
        // goes to ((gridWidth - width) / 2, (gridHeight - height) / 2).
        const int dx = s.placeSeen ? 0 : (f.gridWidth - e.width) / 2;
        const int dy = s.placeSeen ? 0 : (f.gridHeight - e.height) / 2;
        f.placeStaged(e.left, e.top, e.right, e.bottom, dx, dy);
    }

    FitZoomToPattern(ctx);
    ctx.rule.ruleText = ApplyRule(ctx, rule);
    ctx.view.offsetX = ctx.view.offsetY = 0;
    ctx.host.invalidateView();

    // Each line of the notice is UTF-8 already, whichever encoding it was written in.
    const std::string notice = s.nameText + s.authorText + s.comment.shown();
    f.busy = 0;
    RefreshCursor(ctx);
    SetMainTitle(ctx, FileNameOf(path));
    if (!notice.empty()) {
        ctx.shell.messageCaption = FileNameOf(path);
        AppMessageBox(ctx, notice, Icon::Information);
    }
    return 0;
}

namespace {

// Writes a run token ("3o", "b", "12$") into out; returns its length.
std::size_t RunToken(char* out, int run, char symbol) {
    std::size_t n = 0;
    if (run > 1) {
        char digits[12];
        std::size_t k = 0;
        for (unsigned v = static_cast<unsigned>(run); v != 0; v /= 10) digits[k++] = static_cast<char>('0' + v % 10);
        while (k > 0) out[n++] = digits[--k];
    }
    out[n++] = symbol;
    return n;
}

}  // namespace

std::string WriteRleFile(Context& ctx) {
    CheckMemory(ctx);
    const Field& f = ctx.field;
    const Extent e = FieldExtent(f);
    std::string file = "x = " + std::to_string(e.found ? e.width : 0) +
                       ", y = " + std::to_string(e.found ? e.height : 0) +
                       ", rule = " + FormatRuleBS(ctx.rule.ruleText) + "\r\n";
    // Tokens gather in a line that is written out before one would take it to 69 bytes.
    char out[96];
    std::size_t outSize = 0;
    char token[16];
    const auto append = [&](std::size_t size) {  // the token in token
        if (outSize + size >= 69) {
            file.append(out, outSize);
            file += "\r\n";
            outSize = 0;
        }
        std::memcpy(out + outSize, token, size);
        outSize += size;
    };

    // Runs are found a row at a time, from the live runs of the extent's columns: the dead run
    // after a row's last live one reaches the column after the extent and is never written. A
    // row end waits for the next live cell, so trailing empty rows and the last row end are left
    // out.
    int rowEnds = 1;
    int pendingRowEnds = 0;
    if (e.found) {
        for (int y = e.top; y <= e.bottom; ++y) {
            int x = e.left;
            f.cells().forEachRun(y, e.left, e.right, [&](int x0, int x1) {
                if (pendingRowEnds != 0) {
                    append(RunToken(token, pendingRowEnds, '$'));
                    rowEnds = 1;
                    pendingRowEnds = 0;
                }
                if (x0 > x) append(RunToken(token, x0 - x, 'b'));
                append(RunToken(token, x1 - x0 + 1, 'o'));
                x = x1 + 1;
            });
            pendingRowEnds = rowEnds;
            ++rowEnds;
        }
    }
    file.append(out, outSize);
    file += "!\r\n";
    return file;
}

}  // namespace gb
