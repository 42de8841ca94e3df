#include "formats/life_file.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/rule.h"
#include "formats/bytes.h"
#include "formats/reader_common.h"
#include "formats/rle_reader.h"

namespace gb {

namespace {

constexpr std::size_t kLifeLineBuffer = 10000;

// Control lines shared by both bodies. Returns true when the line was a control line.
bool ReadControlLine(std::string_view line, NoticeText& description,
                     std::optional<std::string>& rule) {
    if (line.empty() || line[0] != '#') return false;
    const char second = line.size() > 1 ? line[1] : '\0';
    if (second == 'D') description.append(ControlLineText(line));
    if (second == 'R') rule = std::string(ControlLineText(line));
    if (second == 'N') rule = kDefaultRule;
    return true;
}

// The cells of a Life 1.05 body, staged where the grid would hold them, and where they go.
StagedPattern ReadLife105(const Field& f, CellGrid& staging, LineReader& lines,
                          NoticeText& description, std::optional<std::string>& rule) {
    Wide blockX = 0, blockY = 0;
    bool blockSeen = false;
    Wide row = 0;
    const Wide limitX =
        std::min(2 * static_cast<Wide>(f.gridWidth) - 2, static_cast<Wide>(f.loadWidth));
    const Wide limitY =
        std::min(2 * static_cast<Wide>(f.gridHeight) - 2, static_cast<Wide>(f.loadHeight));
    // A line's cells as bits by staging column, ORed into the staging grid once per line.
    std::vector<std::uint64_t> bits(static_cast<std::size_t>(f.loadWidth / 64 + 1), 0);
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
                const std::size_t n = std::min(line.size(), static_cast<std::size_t>(f.loadWidth));
                // Only positions i with 1 <= i + shift < limitX can hold a cell.
                const Wide shift = blockX + f.gridWidth / 2;
                const Wide from = std::max<Wide>(0, 1 - shift);
                const Wide to = std::min<Wide>(static_cast<Wide>(n), limitX - shift);
                if (from < to) {
                    // Both ends lie within the staging grid's width, so they fit an int.
                    const auto begin = static_cast<int>(from), end = static_cast<int>(to);
                    const auto sh = static_cast<int>(shift);
                    std::uint64_t any = 0;
                    for (int i = begin; i < end; ++i) {
                        const std::uint64_t live = line[static_cast<std::size_t>(i)] == '*' ? 1 : 0;
                        const int x = i + sh;
                        bits[static_cast<std::size_t>(x >> 6)] |= live << (x & 63);
                        any |= live;
                    }
                    const int first = (begin + sh) >> 6, last = (end - 1 + sh) >> 6;
                    if (any != 0)
                        staging.orBits(static_cast<int>(y), first * 64, bits.data() + first,
                                       (last - first + 1) * 64);
                    std::fill(bits.begin() + first, bits.begin() + last + 1, 0);
                }
            }
        }
        row = AddClamped(row, 1);
    }

    const Extent e = staging.extent();
    if (!e.found) return {};
    // With a block position the staging grid lies on the grid itself: what is staged inside the
    // interior stays put.
    if (blockSeen) return {true, e.left, e.top, e.right, e.bottom, 0, 0};
    return {true, e.left, e.top, e.right, e.bottom, -(e.width / 2), -(e.height / 2)};
}

// The cells of a Life 1.06 body, staged where they go on the grid.
StagedPattern ReadLife106(const Field& f, CellGrid& staging, LineReader& lines,
                          NoticeText& description, std::optional<std::string>& rule) {
    while (!lines.atEnd()) {
        const std::string_view line = lines.next();
        if (ReadControlLine(line, description, rule)) continue;
        std::size_t pos = 0;
        Wide x = 0, y = 0;
        if (!ScanInteger(line, pos, x) || !ScanInteger(line, pos, y)) continue;
        const Wide tx = x + f.gridWidth / 2;
        const Wide ty = y + f.gridHeight / 2;
        if (tx >= 1 && tx <= f.gridWidth - 2 && ty >= 1 && ty <= f.gridHeight - 2)
            staging.set(static_cast<int>(tx), static_cast<int>(ty), true);
    }
    const Extent e = staging.extent();
    if (!e.found) return {};
    return {true, e.left, e.top, e.right, e.bottom, 0, 0};
}

// "#N\r\n" for the default rule, "#R <rule>\r\n" otherwise.
std::string RuleLine(std::string_view ruleText) {
    return ruleText == kDefaultRule ? std::string("#N\r\n")
                                    : "#R " + std::string(ruleText) + "\r\n";
}

}  // namespace

LifeFormat ChooseLifeFormat(LifeWriteSettings& settings, bool accepted, int dialogLifeFormat) {
    if (accepted) settings.lastLifeFormat = dialogLifeFormat;
    return static_cast<LifeFormat>(settings.lastLifeFormat);
}

LifeHeader ClassifyLifeFile(std::string_view bytes) {
    TextInput input(bytes);
    return ClassifyLifeFile(input);
}

LifeHeader ClassifyLifeFile(TextInput& input) {
    // The first piece a line reader would take, looked at where it lies.
    const std::string_view avail = input.peek(kLifeLineBuffer - 1);
    std::size_t len = std::min(avail.size(), kLifeLineBuffer - 1);
    if (const void* lf = std::memchr(avail.data(), '\n', len))
        len = static_cast<std::size_t>(static_cast<const char*>(lf) - avail.data()) + 1;
    std::string_view first = avail.substr(0, len);
    first = first.substr(0, first.find('\0'));
    if (first == "#Life 1.05\n") return LifeHeader::Life105;
    if (first == "#Life 1.06\n") return LifeHeader::Life106;
    if (!first.empty() && (first[0] == 'x' || first[0] == '#')) return LifeHeader::HandedToRle;
    return LifeHeader::Unsupported;
}

PatternRead ParseLifeFile(TextInput& input, const Field& field, CellGrid& staging) {
    const LifeHeader kind = ClassifyLifeFile(input);
    if (kind == LifeHeader::HandedToRle) {
        PatternRead r = ParseRleFile(input, field, staging);
        r.pattern.format = PatternFormat::Rle;
        return r;
    }
    if (kind == LifeHeader::Unsupported) {
        PatternRead r =
            PatternRead::Refuse({"サポートしていないファイル形式です。",
                                 "サポートしていないファイル形式なので読み込めません。"});
        r.pattern.format = PatternFormat::Life;
        return r;
    }
    staging.clear();

    LineReader lines(input, kLifeLineBuffer);
    lines.next();  // the header
    NoticeText description;
    PatternRead r;
    ReadPattern& p = r.pattern;
    p.format = PatternFormat::Life;
    p.cells = kind == LifeHeader::Life105 ? ReadLife105(field, staging, lines, description, p.rule)
                                          : ReadLife106(field, staging, lines, description, p.rule);
    // Each line of it is UTF-8 already, whichever encoding it was written in.
    p.notice = description.shown();
    return r;
}

WriteResult WriteLifeFile(const Field& f, std::string_view ruleText, LifeFormat format) {
    if (format != LifeFormat::Life105 && format != LifeFormat::Life106)
        return WriteResult::Refused(WriteRefusal::InvalidLifeFormat);
    const Extent e = FieldExtent(f);
    WriteResult result;
    std::string& out = result.bytes;
    // The runs of live cells of each row of the extent, left to right.
    std::vector<std::pair<int, int>> runs;
    const auto runsOfRow = [&](int y) {
        runs.clear();
        f.cells().forEachRun(y, e.left, e.right,
                             [&](int x0, int x1) { runs.emplace_back(x0, x1); });
    };
    if (format == LifeFormat::Life105) {
        out = "#Life 1.05\r\n" + RuleLine(ruleText);
        if (!e.found) return result;
        // The reader takes a line in pieces of kLifeLineBuffer - 1 bytes, its line feed
        // included; a wider row would come back cut into several rows. Such a pattern is written
        // as blocks side by side, each as wide as a piece allows and placed where its columns
        // lie in the pattern. A block holds the rows from its first live cell to its last, and a
        // block without any is left out; a narrow pattern is one block over the whole extent.
        constexpr int kBlockWidth = static_cast<int>(kLifeLineBuffer) - 2;
        const CellGrid& cells = f.cells();
        std::string line;
        for (int left = e.left; left <= e.right; left += kBlockWidth) {
            const int right = std::min(e.right, left + (kBlockWidth - 1));
            int top = e.top, bottom = e.bottom;
            while (top <= bottom && !cells.anyLive(top, left, right)) ++top;
            if (top > bottom) continue;
            while (!cells.anyLive(bottom, left, right)) --bottom;
            out += "#P " + std::to_string(-e.width / 2 + (left - e.left)) + " " +
                   std::to_string(-e.height / 2 + (top - e.top)) + "\r\n";
            for (int y = top; y <= bottom; ++y) {
                runs.clear();
                cells.forEachRun(y, left, right,
                                 [&](int x0, int x1) { runs.emplace_back(x0, x1); });
                if (runs.empty()) {
                    out += ".\r\n";
                    continue;
                }
                line.assign(static_cast<std::size_t>(runs.back().second - left + 1), '.');
                for (const auto& [x0, x1] : runs)
                    std::fill_n(line.begin() + (x0 - left), x1 - x0 + 1, '*');
                out += line;
                out += "\r\n";
            }
        }
    } else {
        out = "#Life 1.06\r\n" + RuleLine(ruleText);
        if (!e.found) return result;
        // Coordinates count from the middle of the extent, rounded up where it falls between two
        // cells: the reader puts 0 on the centre cell gridWidth / 2, which has one more interior
        // cell on its left than on its right when the interior is even. Rounding down would put a
        // pattern as wide as the interior one cell too far right, onto the border.
        const int cx = (e.left + e.right + 1) / 2, cy = (e.top + e.bottom + 1) / 2;
        for (int y = e.top; y <= e.bottom; ++y) {
            runsOfRow(y);
            const std::string row = " " + std::to_string(y - cy) + "\r\n";
            for (const auto& [x0, x1] : runs)
                for (int x = x0; x <= x1; ++x) out += std::to_string(x - cx) + row;
        }
    }
    return result;
}

}  // namespace gb
