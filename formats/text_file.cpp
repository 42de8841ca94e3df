#include "formats/text_file.h"

#include <algorithm>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/run.h"
#include "core/shell.h"
#include "core/zoom.h"
#include "formats/bytes.h"
#include "formats/reader_common.h"

namespace gb {

namespace {

constexpr std::size_t kTextLineBuffer = 10001;
constexpr std::size_t kShownInvalidBytes = 800;

}  // namespace

int ReadTextFile(Context& ctx, std::string_view bytes, const std::string& path) {
    CheckMemory(ctx);
    Field& f = ctx.field;
    f.busy = 1;
    RefreshCursor(ctx);

    const std::string source = TextModeBytes(bytes);
    const SquareEncoding encoding = SquareEncodingOf(source);

    // First pass: measure the picture lines and collect them for the check.
    long long widest = 0;
    long long lineCount = 0;
    std::string leftover;  // allText without line ends, tabs, blanks and cell characters
    {
        LineReader lines(source, kTextLineBuffer);
        while (!lines.atEnd()) {
            const std::string line = ReplacePictureCharacters(lines.next(), encoding);
            if (!line.empty() && line[0] == '#') continue;
            const auto cells = std::count_if(line.begin(), line.end(),
                                             [](char c) { return c == '.' || c == '*'; });
            widest = std::max<long long>(widest, cells);
            for (char c : line)
                if (c != '\r' && c != '\n' && c != '\t' && c != '.' && c != '*' && c != ' ') leftover += c;
            ++lineCount;
        }
    }
    const long long w = widest - 1;
    const long long h = lineCount;
    long long originX = 0, originY = 0;
    if (!(w == f.gridWidth && h == f.gridHeight)) {
        originX = (f.gridWidth - w) / 2;
        originY = (f.gridHeight - h) / 2;
    }

    if (!leftover.empty()) {
        f.busy = 0;
        RefreshCursor(ctx);
        ctx.shell.messageCaption = "テキストファイルに下記の無効なデータが含まれています。";
        const std::string shown = DisplayText(CutAtCharacter(leftover, kShownInvalidBytes));
        if (AppMessageBox(ctx, shown + "\r\n\r\n読み込みを強行しますか。", Icon::Exclamation,
                          Buttons::YesNo, Button::No) != Button::Yes)
            return 1;
    }

    // Second pass: place the cells; every line read takes a row.
    ClearCells(f);
    f.generation = 0;
    std::string rule = ctx.rule.ruleText;
    {
        LineReader lines(source, kTextLineBuffer);
        const long long rows = std::max<long long>(f.gridHeight, h);
        const long long columns = std::max<long long>(f.gridWidth, w);
        for (long long j = 0; j < rows && !lines.atEnd(); ++j) {
            const std::string line = ReplacePictureCharacters(lines.next(), encoding);
            if (line.size() >= 2 && line[0] == '#' && line[1] == 'R') {
                rule = std::string(ControlLineText(line));
                continue;
            }
            const long long y = j + originY;
            if (y < 1 || y > f.gridHeight - 2) continue;
            const long long n = std::min(static_cast<long long>(line.size()), columns);
            for (long long i = 0; i < n; ++i) {
                const long long x = i + originX;
                if (line[static_cast<std::size_t>(i)] == '*' && x >= 1 && x <= f.gridWidth - 2) {
                    f.at(static_cast<int>(x), static_cast<int>(y)) = 1;
                    NoteCellWritten(f, static_cast<int>(x), static_cast<int>(y));
                }
            }
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
    if (ctx.rule.ruleText != kDefaultRule) out += "#R " + ctx.rule.ruleText + "\r\n";
    for (int y = e.top; y <= e.bottom; ++y) {
        std::string line;
        for (int x = e.left; x <= e.right; ++x) line += f.at(x, y) == 1 ? '*' : '.';
        const std::size_t last = line.rfind('*');
        out += (last == std::string::npos ? std::string(".") : line.substr(0, last + 1)) + "\r\n";
    }
    return out;
}

}  // namespace gb
