// Plaintext ".cells" pictures: read as text pictures are, with their "!" lines as the notice.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/rule.h"
#include "session/document.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::Cells;
using test::LiveCells;
using test::Shape;

// A Plaintext file of a written text picture: "O" for "*", the notice lines first.
std::string AsCells(const std::string& picture, const std::string& notice) {
    std::string out = notice;
    for (char c : picture) out += c == '*' ? 'O' : c;
    return out;
}

// Random fields, written as text pictures and as Plaintext files, read back alike: the same cells
// at the same place (the text reader's placement), the notice shown last and nothing else.
TEST(CellsRead, PlacedAsTheTextPictureOfTheSameCells) {
    std::mt19937 random(22);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        test::TestContext source;
        const int w = 1 + static_cast<int>(random() % 40), h = 1 + static_cast<int>(random() % 40);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (random() % 3 == 0) source.ctx.field.setCell(500 + x, 400 + y, 1);
        test::CountPopulation(source.ctx);
        if (LiveCells(source.ctx.field).empty()) continue;
        const std::string picture = WriteTextFile(source.ctx.field, source.ctx.rule.ruleText).bytes;
        std::string crlfFree = picture;
        if (round % 2 == 0) std::erase(crlfFree, '\r');

        test::TestContext text, cells;
        ASSERT_EQ(ReadTextFile(text.ctx, picture, "p.txt"), 0);
        cells.ctx.rule.ruleText = ApplyRule(cells.ctx, "36/23");
        cells.host.boxes.clear();
        const std::string notice = "!Name: R" + std::to_string(round) + "\n!\n!OO.O comment\n";
        ASSERT_EQ(ReadCellsFile(cells.ctx, AsCells(crlfFree, notice), "/d/p.cells"), 0);
        EXPECT_EQ(LiveCells(cells.ctx.field), LiveCells(text.ctx.field));
        EXPECT_EQ(Shape(LiveCells(cells.ctx.field)), Shape(LiveCells(source.ctx.field)));
        EXPECT_EQ(cells.ctx.rule.ruleText, kDefaultRule);
        ASSERT_EQ(cells.host.boxes.size(), 1u);
        EXPECT_EQ(cells.host.boxes[0].caption, "p.cells");
        EXPECT_EQ(cells.host.boxes[0].icon, Icon::Information);
        EXPECT_EQ(cells.host.boxes[0].text,
                  "Name: R" + std::to_string(round) + "\n\nOO.O comment\n");
    }
}

TEST(CellsRead, NoticeLinesOfAnyLengthAndEncoding) {
    // A notice line longer than a picture line's piece stays notice; Shift-JIS is shown as UTF-8.
    test::TestContext t;
    const std::string longLine = "!" + std::string(25000, 'O') + "\n";
    ASSERT_EQ(
        ReadCellsFile(t.ctx, "!\x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b\n" + longLine + "OO\n",
                      "l.cells"),
        0);
    EXPECT_EQ(Shape(LiveCells(t.ctx.field)), (Cells{{0, 0}, {1, 0}}));
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].text.rfind("グライダー\nOOO", 0), 0u);
    EXPECT_LT(t.host.boxes[0].text.size(), 10002u);
}

// Any bytes: a Plaintext file reads as the text picture of the same bytes without its "!" lines,
// with the notice as the only box more, and nothing is left half done.
TEST(CellsRead, MutatedFilesReadAsTheirPictureWithoutNotices) {
    const std::string_view pieces[] = {
        "!", "!Name: x", "O",          "*", ".",        "\n",           "\r\n", "\r",  "x",
        " ", "\t",       "#R 36/23\n", "#", "\x81\xa1", "\xe2\x96\xa0", "\xff", "OOOO"};
    std::mt19937 random(15);
    for (int round = 0; round < 400; ++round) {
        std::string bytes;
        const int n = static_cast<int>(random() % 40);
        for (int i = 0; i < n; ++i) bytes += pieces[random() % std::size(pieces)];
        if (round % 50 == 0) bytes = "!" + std::string(12000 + random() % 9000, 'O') + "\n" + bytes;
        std::string picture, notice;
        std::istringstream lines(bytes);
        for (std::string line; std::getline(lines, line);) {
            const std::string end = lines.eof() ? "" : "\n";
            if (!line.empty() && line[0] == '!')
                notice += line.substr(1) + end;
            else
                picture += line + end;
        }
        SCOPED_TRACE(bytes.size() < 300 ? bytes : bytes.substr(0, 300));

        test::TestContext cells, text;
        const int answer = ReadCellsFile(cells.ctx, bytes, "m.cells");
        EXPECT_EQ(answer, ReadTextFile(text.ctx, picture, "m.cells"));
        EXPECT_EQ(LiveCells(cells.ctx.field), LiveCells(text.ctx.field));
        EXPECT_EQ(cells.ctx.rule.ruleText, text.ctx.rule.ruleText);
        EXPECT_EQ(cells.host.titles, text.host.titles);
        const bool shown = answer == 0 && !notice.empty();
        EXPECT_EQ(cells.host.boxes.size(), text.host.boxes.size() + (shown ? 1 : 0));
        EXPECT_EQ(cells.ctx.run.busy, 0);
        EXPECT_EQ(cells.ctx.shell.messageCaption, "Gridbloom");
    }
}

// The cells of a Plaintext file as its format defines them: every line that is not a "!" line
// is a row, "O" or "*" live.
Cells ReferenceCells(const std::string& bytes) {
    Cells cells;
    std::istringstream in(bytes);
    int y = 0;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] == '!') continue;
        for (std::size_t x = 0; x < line.size(); ++x)
            if (line[x] == 'O' || line[x] == '*') cells.emplace(static_cast<int>(x), y);
        ++y;
    }
    return cells;
}

// The shared corpus's Plaintext files, against the format's own definition, and its glider gun
// against our RLE sample.
TEST(CellsRead, RealFilesAsTheirFormatDefines) {
    const fs::path dir = fs::path(test::SharedPatterns()) / "text";
    if (!fs::exists(dir / "gosperglidergun.cells")) GTEST_SKIP() << dir << " absent";
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".cells") continue;
        SCOPED_TRACE(entry.path().string());
        const std::string bytes = test::ReadBytes(entry.path());
        test::TestContext t;
        ASSERT_EQ(ReadCellsFile(t.ctx, bytes, entry.path().string()), 0);
        EXPECT_EQ(Shape(LiveCells(t.ctx.field)), Shape(ReferenceCells(bytes)));
        ASSERT_EQ(t.host.boxes.size(), 1u);
        EXPECT_EQ(t.host.boxes[0].text.rfind("Name: ", 0), 0u) << t.host.boxes[0].text;
        if (entry.path().filename() != "gosperglidergun.cells") continue;
        test::TestContext rle;
        const fs::path own = fs::path(test::OwnPatterns()) / "gosper-glider-gun.rle";
        ASSERT_EQ(ReadRleFile(rle.ctx, test::ReadBytes(own), own.string()), 0);
        EXPECT_EQ(Shape(LiveCells(t.ctx.field)), Shape(LiveCells(rle.ctx.field)));
    }
}

// The open dispatch and a drop take ".cells" (in any case) to this reader.
TEST(CellsRead, OpenedAndDroppedByExtension) {
    const test::TempDir tmp("gb-cells");
    const fs::path& dir = tmp.dir;
    const std::string glider = "!Name: Glider\r\n.O\r\n..O\r\nOOO\r\n";
    for (const std::string name : {"g.cells", "G.CELLS"}) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary) << glider;
        test::TestContext opened, dropped;
        EXPECT_TRUE(LoadDocument(opened.ctx, path));
        DropPatternFile(dropped.ctx, path);
        for (test::TestContext* t : {&opened, &dropped}) {
            EXPECT_EQ(Shape(LiveCells(t->ctx.field)),
                      (Cells{{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}))
                << name;
            EXPECT_EQ(t->host.lastTitle(), name + " - Gridbloom");
            ASSERT_FALSE(t->host.boxes.empty());
            EXPECT_EQ(t->host.lastBox().text, "Name: Glider\n");
        }
    }
}

}  // namespace
}  // namespace gb
