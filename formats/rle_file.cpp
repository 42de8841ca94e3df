#include "formats/rle_file.h"

#include <algorithm>
#include <cstring>

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
            s.commentText += ControlLineText(line);
            break;
        case 'N':
            s.nameText = std::string(ControlLineText(line)) + "\n";
            break;
        case 'O':
            s.authorText = std::string(ControlLineText(line)) + "\n";
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
void PlaceRun(Field& f, const RleReadingParams& params, RleReadState& s, Wide n) {
    const Wide y = s.rowCursor + s.placeY;
    if (y >= params.minY && y < params.endY) {
        const Wide x0 = s.columnCursor + s.placeX;
        const Wide lo = std::max<Wide>(x0, params.minX);
        const Wide hi = std::min<Wide>(x0 + n, params.endX);
        if (lo < hi) {
            std::int8_t* row = f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth;
            std::memset(row + static_cast<std::ptrdiff_t>(lo), 1, static_cast<std::size_t>(hi - lo));
        }
    }
    s.columnCursor = AddClamped(s.columnCursor, n);
}

// 0: the line was taken; 1: it holds a rejected letter.
int ReadPatternLine(Context& ctx, std::string_view line, const RleReadingParams& params,
                    RleReadState& s) {
    if (s.patternEnded) {
        if (s.commentText.size() + line.size() < kCommentLimit) s.commentText += line;
        return 0;
    }
    if (line.size() > 1) ++s.patternLines;
    for (std::size_t i = 0; i < line.size() && !s.patternEnded; ++i) {
        const char c = line[i];
        if (c >= '0' && c <= '9') {
            s.runCount = AppendDigit(s.runCount, c - '0');
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
                if (line.find_first_of(kRejectedLetters) != std::string_view::npos) {
                    FailWith(ctx, params, params.rejected);
                    return 1;
                }
                return 0;  // the rest of the line is skipped; runCount is kept
        }
    }
    return 0;
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
    Field& f = ctx.field;
    s.columnCursor = params.startColumn;
    s.rowCursor = params.startRow;
    s.runCount = 0;

    std::size_t pos = 0;
    bool first = true;
    std::string line;
    do {
        // Take a line: 0xFF, NUL and the end end it unstored; CR and LF end it stored.
        line.clear();
        while (pos < source.size()) {
            const auto c = static_cast<unsigned char>(source[pos++]);
            if (c == 0xFF || c == 0) break;
            line += static_cast<char>(c);
            if (c == '\n' || c == '\r' || line.size() >= kRleLineMax) break;
        }
        if (first) {
            first = false;
            if (line.empty() || (line[0] != 'x' && line[0] != '#')) {
                FailWith(ctx, params, params.unsupported);
                return 1;
            }
            std::memset(f.loadArea, 0,
                        static_cast<std::size_t>(f.loadWidth) * static_cast<std::size_t>(f.loadHeight));
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
    } while (pos < source.size());
    return 0;
}

int ReadRleFile(Context& ctx, std::string_view bytes, const std::string& path) {
    CheckMemory(ctx);
    Field& f = ctx.field;
    f.busy = 1;
    RefreshCursor(ctx);

    const std::string source = TextModeBytes(bytes);
    const RleReadingParams params = FileRleParams(f);
    RleReadState s;
    if (RleReading(ctx, source, params, s) != 0) return 1;
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
    const Extent e = LoadAreaExtent(f);
    if (e.found) {
        // With an "#R" position the cells stay where they are; otherwise the pattern's origin
        // goes to ((gridWidth - width) / 2, (gridHeight - height) / 2).
        const int dx = s.placeSeen ? 0 : (f.gridWidth - e.width) / 2;
        const int dy = s.placeSeen ? 0 : (f.gridHeight - e.height) / 2;
        PlaceStagedCells(f, e, dx, dy);
    }

    FitZoomToPattern(ctx);
    ctx.rule.ruleText = ApplyRule(ctx, rule);
    ctx.view.offsetX = ctx.view.offsetY = 0;
    ctx.host.invalidateView();

    const std::string notice = s.nameText + s.authorText + s.commentText;
    f.busy = 0;
    RefreshCursor(ctx);
    SetMainTitle(ctx, FileNameOf(path));
    if (!notice.empty()) {
        ctx.shell.messageCaption = FileNameOf(path);
        AppMessageBox(ctx, DisplayText(notice), Icon::Information);
    }
    return 0;
}

std::string WriteRleFile(Context& ctx) {
    CheckMemory(ctx);
    const Field& f = ctx.field;
    const Extent e = FieldExtent(f);
    std::string file = "x = " + std::to_string(e.found ? e.width : 0) +
                       ", y = " + std::to_string(e.found ? e.height : 0) +
                       ", rule = " + FormatRuleBS(ctx.rule.ruleText) + "\r\n";
    std::string out;
    const auto append = [&](const std::string& token) {
        if (out.size() + token.size() >= 69) {
            file += out;
            file += "\r\n";
            out.clear();
        }
        out += token;
    };
    const auto symbol = [](int state) { return state == 0 ? "b" : (state == 1 ? "o" : ""); };

    int rowEnds = 1;
    std::string pendingRowEnd;
    bool rowEndPending = false;
    if (e.found) {
        for (int y = e.top; y <= e.bottom; ++y) {
            int state = 2;
            int run = 1;
            for (int x = e.left; x <= e.right + 1; ++x) {
                const int v = f.at(x, y) == 1 ? 1 : 0;
                if (v == 1 && rowEndPending) {
                    append(pendingRowEnd);
                    rowEnds = 1;
                    rowEndPending = false;
                }
                if (v != state) {
                    append(run <= 1 ? std::string(symbol(state)) : std::to_string(run) + symbol(state));
                    run = 1;
                    state = v;
                } else {
                    ++run;
                }
            }
            pendingRowEnd = rowEnds <= 1 ? "$" : std::to_string(rowEnds) + "$";
            ++rowEnds;
            rowEndPending = true;
        }
    }
    out += "!\r\n";
    file += out;
    return file;
}

}  // namespace gb
