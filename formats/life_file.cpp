#include "formats/life_file.h"

#include <algorithm>
#include <cstring>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/run.h"
#include "core/shell.h"
#include "core/zoom.h"
#include "formats/bytes.h"
#include "formats/reader_common.h"
#include "formats/rle_file.h"

namespace gb {

namespace {

constexpr std::size_t kLifeLineBuffer = 10000;

// Control lines shared by both bodies. Returns true when the line was a control line.
bool ReadControlLine(std::string_view line, std::string& description, std::string& rule) {
    if (line.empty() || line[0] != '#') return false;
    const char second = line.size() > 1 ? line[1] : '\0';
    if (second == 'D') description += ControlLineText(line);
    if (second == 'R') rule = std::string(ControlLineText(line));
    if (second == 'N') rule = kDefaultRule;
    return true;
}

void ReadLife105(Context& ctx, LineReader& lines, std::string& description, std::string& rule) {
    Field& f = ctx.field;
    Wide blockX = 0, blockY = 0;
    bool blockSeen = false;
    Wide row = 0;
    const Wide limitX = std::min(2 * static_cast<Wide>(f.gridWidth) - 2, static_cast<Wide>(f.loadWidth));
    const Wide limitY = std::min(2 * static_cast<Wide>(f.gridHeight) - 2, static_cast<Wide>(f.loadHeight));
    while (!lines.atEnd()) {
        const std::string_view line = lines.next();
        if (line.size() >= 2 && line[0] == '#' && line[1] == 'P') {
            if (line.size() < 6) {
                blockX = blockY = 0;
            } else {
                std::size_t pos = 2;
                if (ScanInteger(line, pos, blockX)) ScanInteger(line, pos, blockY);
                blockSeen = true;
            }
            row = 0;
            continue;
        }
        if (!ReadControlLine(line, description, rule)) {
            const Wide y = row + blockY + f.gridHeight / 2;
            if (y >= 1 && y < limitY) {
                std::int8_t* staged = f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth;
                const std::size_t n = std::min(line.size(), static_cast<std::size_t>(f.loadWidth));
                for (std::size_t i = 0; i < n; ++i) {
                    if (line[i] != '*') continue;
                    const Wide x = static_cast<Wide>(i) + blockX + f.gridWidth / 2;
                    if (x >= 1 && x < limitX) staged[static_cast<std::ptrdiff_t>(x)] = 1;
                }
            }
        }
        row = AddClamped(row, 1);
    }

    ClearCells(f);
    f.generation = 0;
    if (blockSeen) {
        for (int y = 1; y <= f.gridHeight - 2; ++y)
            std::memcpy(&f.at(1, y), f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth + 1,
                        static_cast<std::size_t>(f.gridWidth - 2));
    } else {
        const Extent e = LoadAreaExtent(f);
        if (e.found) {
            const int hw = e.width / 2, hh = e.height / 2;
            for (int y = e.top; y <= e.bottom; ++y) {
                const int ty = y - hh;
                if (ty < 1 || ty > f.gridHeight - 2) continue;
                const std::int8_t* staged = f.loadArea + static_cast<std::ptrdiff_t>(y) * f.loadWidth;
                for (int x = e.left; x <= e.right; ++x) {
                    const int tx = x - hw;
                    if (staged[x] != 0 && tx >= 1 && tx <= f.gridWidth - 2) f.at(tx, ty) = staged[x];
                }
            }
        }
    }
    NoteCellsChanged(f);
}

void ReadLife106(Context& ctx, LineReader& lines, std::string& description, std::string& rule) {
    Field& f = ctx.field;
    ClearCells(f);
    f.generation = 0;
    while (!lines.atEnd()) {
        const std::string_view line = lines.next();
        if (ReadControlLine(line, description, rule)) continue;
        std::size_t pos = 0;
        Wide x = 0, y = 0;
        if (!ScanInteger(line, pos, x) || !ScanInteger(line, pos, y)) continue;
        const Wide tx = x + f.gridWidth / 2;
        const Wide ty = y + f.gridHeight / 2;
        if (tx >= 1 && tx <= f.gridWidth - 2 && ty >= 1 && ty <= f.gridHeight - 2) {
            f.at(static_cast<int>(tx), static_cast<int>(ty)) = 1;
            NoteCellWritten(f, static_cast<int>(tx), static_cast<int>(ty));
        }
    }
}

// "#N\r\n" for the default rule, "#R <rule>\r\n" otherwise.
std::string RuleLine(const std::string& ruleText) {
    return ruleText == kDefaultRule ? std::string("#N\r\n") : "#R " + ruleText + "\r\n";
}

}  // namespace

LifeFormat ChooseLifeFormat(LifeWriteSettings& settings, bool accepted, int dialogLifeFormat) {
    if (accepted) settings.lastLifeFormat = dialogLifeFormat;
    return static_cast<LifeFormat>(settings.lastLifeFormat);
}

LifeHeader ClassifyLifeFile(std::string_view bytes) {
    const std::string source = TextModeBytes(bytes.substr(0, std::min<std::size_t>(bytes.size(), 2 * kLifeLineBuffer)));
    LineReader lines(source, kLifeLineBuffer);
    const std::string_view first = lines.next();
    if (first == "#Life 1.05\n") return LifeHeader::Life105;
    if (first == "#Life 1.06\n") return LifeHeader::Life106;
    if (!first.empty() && (first[0] == 'x' || first[0] == '#')) return LifeHeader::HandedToRle;
    return LifeHeader::Unsupported;
}

int ReadLifeFile(Context& ctx, std::string_view bytes, const std::string& path) {
    CheckMemory(ctx);
    Field& f = ctx.field;
    f.busy = 1;
    RefreshCursor(ctx);

    const std::string source = TextModeBytes(bytes);
    const LifeHeader kind = ClassifyLifeFile(bytes);
    if (kind == LifeHeader::HandedToRle) {
        ReadRleFile(ctx, bytes, path);
        return 0;
    }
    if (kind == LifeHeader::Unsupported) {
        f.busy = 0;
        RefreshCursor(ctx);
        ctx.shell.messageCaption = "サポートしていないファイル形式です。";
        AppMessageBox(ctx, "サポートしていないファイル形式なので読み込めません。", Icon::Exclamation);
        return 1;
    }
    std::memset(f.loadArea, 0, static_cast<std::size_t>(f.loadWidth) * static_cast<std::size_t>(f.loadHeight));

    LineReader lines(source, kLifeLineBuffer);
    lines.next();  // the header
    std::string description;
    std::string rule = ctx.rule.ruleText;
    if (kind == LifeHeader::Life105)
        ReadLife105(ctx, lines, description, rule);
    else
        ReadLife106(ctx, lines, description, rule);

    FitZoomToPattern(ctx);
    ctx.rule.ruleText = ApplyRule(ctx, FileRuleText(rule));
    ctx.view.offsetX = ctx.view.offsetY = 0;
    ctx.host.repaintView();
    f.busy = 0;
    RefreshCursor(ctx);
    SetMainTitle(ctx, FileNameOf(path));
    if (!description.empty()) {
        ctx.shell.messageCaption = FileNameOf(path);
        AppMessageBox(ctx, DisplayText(description), Icon::Information);
    }
    return 0;
}

std::string WriteLifeFile(Context& ctx, LifeFormat format) {
    CheckMemory(ctx);
    const Field& f = ctx.field;
    if (format != LifeFormat::Life105 && format != LifeFormat::Life106) {
        ctx.shell.messageCaption = "Life 1.05／Life 1.06 以外のフォーマットが指定されました。";
        AppMessageBox(ctx, "フォーマットの指定が無効です。", Icon::Exclamation);
        return {};
    }
    const Extent e = FieldExtent(f);
    std::string out;
    if (format == LifeFormat::Life105) {
        out = "#Life 1.05\r\n" + RuleLine(ctx.rule.ruleText);
        if (!e.found) return out;
        out += "#P " + std::to_string(-e.width / 2) + " " + std::to_string(-e.height / 2) + "\r\n";
        for (int y = e.top; y <= e.bottom; ++y) {
            std::string line;
            for (int x = e.left; x <= e.right; ++x) line += f.at(x, y) == 1 ? '*' : '.';
            const std::size_t last = line.rfind('*');
            line = last == std::string::npos ? std::string(".") : line.substr(0, last + 1);
            out += line + "\r\n";
        }
    } else {
        out = "#Life 1.06\r\n" + RuleLine(ctx.rule.ruleText);
        if (!e.found) return out;
        const int cx = (e.left + e.right) / 2, cy = (e.top + e.bottom) / 2;
        for (int y = e.top; y <= e.bottom; ++y)
            for (int x = e.left; x <= e.right; ++x)
                if (f.at(x, y) == 1) out += std::to_string(x - cx) + " " + std::to_string(y - cy) + "\r\n";
    }
    return out;
}

}  // namespace gb
