#include "formats/text_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/run.h"
#include "core/shell.h"
#include "core/zoom.h"
#include "formats/bytes.h"
#include "formats/reader_common.h"

namespace gb {

namespace {

constexpr std::size_t kTextLineMax = 10000;  // a longer line is taken in pieces
constexpr std::size_t kShownInvalidBytes = 800;

// The lines of a picture as read: for every line holding "*" its live positions as bits, and the
// rule lines. Memory follows the live cells, not the file.
struct Picture {
    struct Row {
        long long line;           // which line of the file (every line counts)
        std::size_t firstWord;    // where its bits start in bits
        std::size_t length;       // positions up to its last "*"
    };
    std::vector<Row> rows;
    std::vector<std::uint64_t> bits;
    struct RuleLine {
        long long line;
        std::string text;
    };
    std::vector<RuleLine> rules;  // "#R" lines, latest last
    long long lines = 0;

    void addRow(std::string_view line) {
        const std::size_t last = line.rfind('*');
        if (last == std::string_view::npos) return;
        const std::size_t length = last + 1;
        const std::size_t first = bits.size();
        bits.resize(first + (length + 63) / 64, 0);
        for (std::size_t i = line.find('*'); i < length; i = line.find('*', i + 1))
            bits[first + i / 64] |= std::uint64_t{1} << (i % 64);
        rows.push_back({lines, first, length});
    }
};

}  // namespace

int ReadTextFile(Context& ctx, std::string_view bytes, const std::string& path) {
    TextInput input(bytes);
    return ReadTextFile(ctx, input, path);
}

int ReadTextFile(Context& ctx, TextInput& input, const std::string& path) {
    CheckMemory(ctx);
    Field& f = ctx.field;
    f.busy = 1;
    RefreshCursor(ctx);

    // Measure the picture lines, collect what else they hold, and keep the live cells. Each
    // piece is read in the encoding it is valid in.
    long long widest = 0;
    long long lineCount = 0;
    bool invalid = false;      // anything but line ends, tabs, blanks and cell characters
    std::string shown;         // the first kShownInvalidBytes bytes of it, as UTF-8
    std::size_t shownBytes = 0;
    Picture picture;
    while (!input.atEnd()) {
        SquareEncoding encoding = SquareEncoding::Utf8;
        const std::string_view piece = NextPictureLine(input, kTextLineMax, encoding);
        const std::string line = ReplacePictureCharacters(piece, encoding);
        if (line.size() >= 2 && line[0] == '#' && line[1] == 'R') {
            picture.rules.push_back({picture.lines, std::string(ControlLineText(line))});
        } else {
            picture.addRow(line);
        }
        ++picture.lines;
        if (!line.empty() && line[0] == '#') continue;
        const auto cells = std::count_if(line.begin(), line.end(),
                                         [](char c) { return c == '.' || c == '*'; });
        widest = std::max<long long>(widest, cells);
        ++lineCount;
        std::string leftover;
        for (char c : line)
            if (c != '\r' && c != '\n' && c != '\t' && c != '.' && c != '*' && c != ' ') leftover += c;
        if (leftover.empty()) continue;
        invalid = true;
        if (shownBytes < kShownInvalidBytes) {
            const std::string_view cut = CutAtCharacter(leftover, kShownInvalidBytes - shownBytes, encoding);
            shown += ToUtf8(cut, encoding);
            shownBytes = cut.size() < leftover.size() ? kShownInvalidBytes : shownBytes + cut.size();
        }
    }
    const long long w = widest - 1;
    const long long h = lineCount;
    long long originX = 0, originY = 0;
    if (!(w == f.gridWidth && h == f.gridHeight)) {
        originX = (f.gridWidth - w) / 2;
        originY = (f.gridHeight - h) / 2;
    }

    if (invalid) {
        f.busy = 0;
        RefreshCursor(ctx);
        ctx.shell.messageCaption = "テキストファイルに下記の無効なデータが含まれています。";
        if (AppMessageBox(ctx, shown + "\r\n\r\n読み込みを強行しますか。", Icon::Exclamation,
                          Buttons::YesNo, Button::No) != Button::Yes)
            return 1;
    }

    // Place the cells; every line read takes a row, as far as the larger of the grid's height
    // and the picture's.
    ClearCells(f);
    f.generation = 0;
    const long long rows = std::max<long long>(f.gridHeight, h);
    const long long columns = std::max<long long>(f.gridWidth, w);
    std::string rule = ctx.rule.ruleText;
    for (const Picture::RuleLine& r : picture.rules)
        if (r.line < rows) rule = r.text;
    for (const Picture::Row& row : picture.rows) {
        if (row.line >= rows) break;
        const long long y = row.line + originY;
        if (y < 1 || y > f.gridHeight - 2) continue;
        // Positions i with 1 <= i + originX <= gridWidth - 2 and i < columns, a run of set bits
        // at a time.
        const long long from = std::max<long long>(0, 1 - originX);
        const long long to = std::min({static_cast<long long>(row.length), columns, f.gridWidth - 1 - originX});
        const std::uint64_t* bits = picture.bits.data() + row.firstWord;
        for (long long i = from; i < to;) {
            // The first live position at or after i.
            const std::uint64_t live = bits[i / 64] >> (i % 64);
            if (live == 0) {
                i = (i / 64 + 1) * 64;
                continue;
            }
            i += std::countr_zero(live);
            if (i >= to) break;
            // The first dead position after it, or to.
            long long end = i;
            while (end < to) {
                const std::uint64_t dead = ~bits[end / 64] >> (end % 64);
                if (dead != 0) {
                    end += std::countr_zero(dead);
                    break;
                }
                end = (end / 64 + 1) * 64;
            }
            end = std::min(end, to);
            f.fillRow(static_cast<int>(y), static_cast<int>(i + originX), static_cast<int>(end - 1 + originX));
            i = end;
        }
    }

    SetMainTitle(ctx, FileNameOf(path));
    FitZoomToPattern(ctx);
    ctx.rule.ruleText = ApplyRule(ctx, FileRuleText(rule));
    ctx.view.offsetX = ctx.view.offsetY = 0;
    ctx.host.repaintView();
    f.busy = 0;
    RefreshCursor(ctx);
    return 0;
}

std::string WriteTextFile(Context& ctx) {
    CheckMemory(ctx);
    const Field& f = ctx.field;
    const Extent e = FieldExtent(f);
    if (!HasLiveCells(f) || !e.found) {
        ctx.shell.messageCaption = "セルが存在していません。";
        AppMessageBox(ctx, "保存するデータがありません。", Icon::Exclamation);
        return {};
    }
    std::string out;
    const bool ruleLine = ctx.rule.ruleText != kDefaultRule;
    if (ruleLine) out += "#R " + ctx.rule.ruleText + "\r\n";
    std::string line;
    std::vector<std::pair<int, int>> runs;
    for (int y = e.top; y <= e.bottom; ++y) {
        runs.clear();
        f.cells().forEachRun(y, e.left, e.right, [&](int x0, int x1) { runs.emplace_back(x0, x1); });
        if (runs.empty()) {
            out += ".\r\n";
            continue;
        }
        line.assign(static_cast<std::size_t>(runs.back().second - e.left + 1), '.');
        for (const auto& [x0, x1] : runs) std::fill_n(line.begin() + (x0 - e.left), x1 - x0 + 1, '*');
        out += line;
        out += "\r\n";
    }
    // The reader centres the picture by its measured lines, but the rule line, which it does not
    // measure, still takes a row: the picture would land one row low, and one as tall as the
    // interior would lose its last row to the border. Two dead rows after the picture are measured
    // and move the centring up by exactly one row, whatever the parity of the Field's height, so
    // the picture lands where it does without a rule line. (One would do so only when the Field
    // and the picture differ in height by an even number.)
    if (ruleLine) out += ".\r\n.\r\n";
    return out;
}

}  // namespace gb
