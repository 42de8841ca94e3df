#include "formats/text_file.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/rule.h"
#include "formats/bytes.h"
#include "formats/reader_common.h"

namespace gb {

namespace {

constexpr std::size_t kTextLineMax = 10000;  // a longer line is taken in pieces
constexpr std::size_t kShownInvalidBytes = 800;
constexpr std::size_t kNoticeLimit = 10002;  // notice text is kept while below this

bool IsRuleLine(std::string_view line) {
    return line.size() >= 2 && line[0] == '#' && line[1] == 'R';
}

// A ".cells" file's "!" lines (or the rest of one cut into pieces): its notice, which takes no
// row. Text pictures have none.
class NoticeLines {
public:
    explicit NoticeLines(bool cells) : cells_(cells) {}
    bool holds(std::string_view piece) const {
        return cells_ && (inNotice_ || (!piece.empty() && piece[0] == '!'));
    }
    // Takes a piece holds() accepted; its text is kept only with keep.
    void take(std::string_view piece, SquareEncoding encoding, bool keep) {
        const std::string_view text = inNotice_ ? piece : piece.substr(1);
        inNotice_ = text.empty() || text.back() != '\n';
        if (keep && text_.size() + text.size() < kNoticeLimit) text_ += ToUtf8(text, encoding);
    }
    void restart() { inNotice_ = false; }
    std::string& text() { return text_; }

private:
    bool cells_;
    bool inNotice_ = false;  // the last piece was a notice line cut before its end
    std::string text_;
};

// What the first pass finds: the picture's size, the last "#R" line and the invalid data.
struct PictureMeasure {
    long long widest = 0;
    long long lineCount = 0;      // picture lines
    long long lines = 0;          // every line, "#" lines too
    long long lastRuleLine = -1;  // the last "#R" line
    bool invalid = false;         // anything but line ends, tabs, blanks and cell characters
    std::string shown;            // the first kShownInvalidBytes bytes of it, as UTF-8
    std::size_t shownBytes = 0;

    // Notes the invalid bytes of a picture line, keeping the first of them to show.
    void noteInvalid(const std::string& line, SquareEncoding encoding) {
        std::string leftover;
        for (char c : line)
            if (c != '\r' && c != '\n' && c != '\t' && c != '.' && c != '*' && c != ' ')
                leftover += c;
        if (leftover.empty()) return;
        invalid = true;
        if (shownBytes >= kShownInvalidBytes) return;
        const std::string_view cut =
            CutAtCharacter(leftover, kShownInvalidBytes - shownBytes, encoding);
        shown += ToUtf8(cut, encoding);
        shownBytes = cut.size() < leftover.size() ? kShownInvalidBytes : shownBytes + cut.size();
    }
};

// First pass: measures the picture lines and collects what else they hold. Each piece is read in
// the encoding it is valid in. Of the lines only the first bytes of invalid data are kept, so
// memory does not follow the file. False for an input holding a NUL byte.
bool MeasurePicture(TextInput& input, NoticeLines& notice, PictureMeasure& m) {
    while (!input.atEnd()) {
        SquareEncoding encoding = SquareEncoding::Utf8;
        bool nul = false;
        const std::string_view piece = NextPictureLine(input, kTextLineMax, encoding, &nul);
        if (nul) return false;
        if (notice.holds(piece)) {
            notice.take(piece, encoding, true);
            continue;
        }
        const std::string line = ReplacePictureCharacters(piece, encoding);
        if (IsRuleLine(line)) m.lastRuleLine = m.lines;
        ++m.lines;
        if (!line.empty() && line[0] == '#') continue;
        const auto marks =
            std::count_if(line.begin(), line.end(), [](char c) { return c == '.' || c == '*'; });
        m.widest = std::max<long long>(m.widest, marks);
        ++m.lineCount;
        m.noteInvalid(line, encoding);
    }
    return true;
}

// Stages the runs of "*" of a picture line at row y, its position i on column i + originX, for
// the positions with 1 <= i + originX <= gridWidth - 2 and i < columns.
void StagePictureRow(CellGrid& staging, const Field& f, const std::string& line, long long y,
                     long long originX, long long columns) {
    const long long from = std::max<long long>(0, 1 - originX);
    const long long to =
        std::min({static_cast<long long>(line.size()), columns, f.gridWidth - 1 - originX});
    for (long long i = from; i < to;) {
        const std::size_t live = line.find('*', static_cast<std::size_t>(i));
        if (live == std::string::npos || static_cast<long long>(live) >= to) break;
        const std::size_t dead = line.find_first_not_of('*', live);
        const long long end =
            dead == std::string::npos ? to : std::min(static_cast<long long>(dead), to);
        staging.fillSpan(static_cast<int>(y),
                         static_cast<int>(static_cast<long long>(live) + originX),
                         static_cast<int>(end - 1 + originX));
        i = end;
    }
}

// The text picture reader; with cells, a ".cells" file's "!" lines are its notice, shown last as
// the other readers show theirs, and take no row, and the rule starts from "23/3".
PatternRead ReadPicture(TextInput& input, const Field& f, CellGrid& staging,
                        ReadQuestions& questions, bool cells) {
    input.keepForRewind();
    NoticeLines notice(cells);
    PictureMeasure m;
    if (!MeasurePicture(input, notice, m)) {
        // A text holds no NUL byte: this is no picture but a binary file or a device, which
        // might never end.
        return PatternRead::Refuse({"サポートしていないファイル形式です。",
                                    "サポートしていないファイル形式なので読み込めません。"});
    }
    const long long w = m.widest - 1;
    const long long h = m.lineCount;
    long long originX = 0, originY = 0;
    if (!(w == f.gridWidth && h == f.gridHeight)) {
        originX = (f.gridWidth - w) / 2;
        originY = (f.gridHeight - h) / 2;
    }

    if (m.invalid && !questions.confirm({"テキストファイルに下記の無効なデータが含まれています。",
                                         m.shown + "\r\n\r\n読み込みを強行しますか。"}))
        return PatternRead::Decline();

    // Second pass: stage the cells where they go on the grid. Every line read takes a row, as far
    // as the larger of the grid's height and the picture's; the last rule line among them gives
    // the rule. Below the interior only rule lines count, and none comes after lastRuleLine.
    input.rewind();
    staging.clear();
    PatternRead r;
    ReadPattern& p = r.pattern;
    p.format = PatternFormat::Picture;
    const long long rows = std::max<long long>(f.gridHeight, h);
    const long long columns = std::max<long long>(f.gridWidth, w);
    const long long lastRow =
        std::min(rows - 1, std::max(m.lastRuleLine, f.gridHeight - 2 - originY));
    if (cells) p.rule = kDefaultRule;
    notice.restart();
    for (long long j = 0; j <= lastRow && !input.atEnd();) {
        SquareEncoding encoding = SquareEncoding::Utf8;
        const std::string_view piece = NextPictureLine(input, kTextLineMax, encoding);
        if (notice.holds(piece)) {
            notice.take(piece, encoding, false);
            continue;
        }
        const std::string line = ReplacePictureCharacters(piece, encoding);
        const long long y = j++ + originY;
        if (IsRuleLine(line)) {
            p.rule = std::string(ControlLineText(line));
            continue;
        }
        if (y >= 1 && y <= f.gridHeight - 2) StagePictureRow(staging, f, line, y, originX, columns);
    }

    const Extent e = staging.extent();
    if (e.found) p.cells = {true, e.left, e.top, e.right, e.bottom, 0, 0};
    p.notice = std::move(notice.text());
    return r;
}

}  // namespace

PatternRead ParseTextFile(TextInput& input, const Field& field, CellGrid& staging,
                          ReadQuestions& questions) {
    return ReadPicture(input, field, staging, questions, false);
}

PatternRead ParseCellsFile(TextInput& input, const Field& field, CellGrid& staging,
                           ReadQuestions& questions) {
    return ReadPicture(input, field, staging, questions, true);
}

WriteResult WriteTextFile(const Field& f, std::string_view ruleText) {
    const Extent e = FieldExtent(f);
    if (!e.found) return WriteResult::Refused(WriteRefusal::NothingToSave);
    // The reader takes a line in pieces of kTextLineMax bytes, its line feed included: a wider
    // row would come back cut into several rows, so such a picture is not written at all.
    static_assert(kTextWidestRow == static_cast<int>(kTextLineMax) - 1);
    if (e.width > kTextWidestRow)
        return WriteResult::Refused(WriteRefusal::TooWideForText, e.width);
    WriteResult result;
    std::string& out = result.bytes;
    const bool ruleLine = ruleText != kDefaultRule;
    if (ruleLine) out += "#R " + std::string(ruleText) + "\r\n";
    std::string line;
    std::vector<std::pair<int, int>> runs;
    for (int y = e.top; y <= e.bottom; ++y) {
        runs.clear();
        f.cells().forEachRun(y, e.left, e.right,
                             [&](int x0, int x1) { runs.emplace_back(x0, x1); });
        if (runs.empty()) {
            out += ".\r\n";
            continue;
        }
        line.assign(static_cast<std::size_t>(runs.back().second - e.left + 1), '.');
        for (const auto& [x0, x1] : runs)
            std::fill_n(line.begin() + (x0 - e.left), x1 - x0 + 1, '*');
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
    return result;
}

}  // namespace gb
