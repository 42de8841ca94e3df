#include "formats/rle_reader.h"
#include "formats/rle_writer.h"
#include "session/read_guard.h"

#include <gtest/gtest.h>

#include <random>

#include "engine/rule.h"
#include "formats/reader_common.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;
using test::Shape;

const char* kGliderRle = "x = 3, y = 3, rule = B3/S23\nbo$2bo$3o!\n";
const Cells kGliderShape{{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}};

TEST(RleRead, GliderIsCentredWithTheDefaultRuleAndNoBox) {
    test::TestContext t;
    t.ctx.rule.ruleText = "34/34";
    t.ctx.field.generation = 77;
    ASSERT_EQ(ReadRleFile(t.ctx, kGliderRle, "/p/glider.rle"), 0);
    const int x0 = (1202 - 3) / 2, y0 = (1202 - 3) / 2;
    Cells expected;
    for (const auto& [x, y] : kGliderShape) expected.emplace(x0 + x, y0 + y);
    EXPECT_EQ(LiveCells(t.ctx.field), expected);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
    EXPECT_EQ(t.ctx.field.generation, 0);
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_EQ(t.host.lastTitle(), "glider.rle - Gridbloom");
    EXPECT_EQ(t.ctx.run.busy, 0);
    EXPECT_EQ(t.host.pointers.back(), Pointer::Arrow);
}

TEST(RleRead, CrLfFileMatchesItsLfTwin) {
    const std::string lf = "#N Glider\n#C one\nx = 3, y = 3\nb\no$2bo$3o!\nafter\n";
    std::string crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    test::TestContext a, b;
    ASSERT_EQ(ReadRleFile(a.ctx, lf, "g.rle"), 0);
    ASSERT_EQ(ReadRleFile(b.ctx, crlf, "g.rle"), 0);
    EXPECT_EQ(LiveCells(a.ctx.field), LiveCells(b.ctx.field));
    ASSERT_EQ(a.host.boxes.size(), 1u);
    ASSERT_EQ(b.host.boxes.size(), 1u);
    EXPECT_EQ(a.host.boxes[0].text, b.host.boxes[0].text);
    EXPECT_EQ(a.host.boxes[0].text, "Glider\n\none\nafter\n");
}

TEST(RleRead, NoticeIsNameAuthorCommentsInOneBox) {
    test::TestContext t;
    ASSERT_EQ(ReadRleFile(t.ctx, "#C first\n#Ohe\n#N  name\n#c second\n#N last\n# third\no!\n",
                          "/x/n.rle"),
              0);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.boxes[0],
                            {"n.rle", "last\n\nhe\n\nfirst\nsecond\nthird\n", Icon::Information}));
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 1u);
}

// Where the cells of small files land: the grid's corner with "#R", the centre otherwise. The
// Field held a cell before each read, which a successful read clears.
TEST(RleRead, FilesPlaceTheirCells) {
    struct Case {
        const char* what;
        std::string file;
        Cells cells;
        bool shapeOnly = false;  // cells as moved to start at (0, 0)
    };
    const Case cases[] = {
        {"#R counts from the grid's corner: (0, 0) is border", "#R 0 0\no!\n", {}},
        {"#R counts from the grid's corner", "#R 10 20\no!\n", {{10, 20}}},
        {"#R shorter than 6 bytes: (0, 0) without switching to placement",
         "#R 10 20\n#R 5\no!\n",
         {}},
        {"two row ends leave an empty row; a count at a line's end goes on",
         "x = 0\no$$3\no!\n",
         {{0, 0}, {0, 2}, {1, 2}, {2, 2}},
         true},
        {"a line starting with a blank is skipped; a blank inside a line ends it",
         "#C\n 5o$\n2o 3o\n$o!\n",
         {{0, 0}, {1, 0}, {0, 1}},
         true},
        // The origin goes to ((1202 - 1) / 2, (1202 - 1) / 2), the cell two columns right of it.
        {"leading dead cells shift the centred pattern", "x = 3\n2bo!\n", {{602, 600}}},
        {"a \"!\" alone loads an empty Field", "x = 0, y = 0\n!\n", {}},
        {"NUL and 0xFF end a line unstored; a lone CR ends a line",
         std::string("x = 2\r2o\0$o\xFF$3o!\n", 17),
         {{0, 0}, {1, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}},
         true},
        {"a line longer than 10,000 bytes is taken in pieces; a count may span the cut",
         "x = 0\n" + std::string(9999, '0') + "12o!\n",
         {{0, 0},
          {1, 0},
          {2, 0},
          {3, 0},
          {4, 0},
          {5, 0},
          {6, 0},
          {7, 0},
          {8, 0},
          {9, 0},
          {10, 0},
          {11, 0}},
         true},
    };
    for (const Case& c : cases) {
        test::TestContext t;
        t.ctx.field.setCell(5, 6, 1);
        ASSERT_EQ(ReadRleFile(t.ctx, c.file, "p.rle"), 0) << c.what;
        EXPECT_EQ(c.shapeOnly ? Shape(LiveCells(t.ctx.field)) : LiveCells(t.ctx.field), c.cells)
            << c.what;
    }
}

TEST(RleRead, TextAfterTheEndIsAComment) {
    test::TestContext t;
    // Text after "!" on the same line is ignored; later lines become comments.
    ASSERT_EQ(ReadRleFile(t.ctx, "x = 1\no! trailing words\nsecond line\n", "r.rle"), 0);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].text, "second line\n");
}

TEST(RleRead, HeaderFieldsAndRules) {
    struct Case {
        const char* file;
        const char* rule;
    } cases[] = {
        {"x = 1, y = 1, rule = B36/S23\no!\n", "23/36"},
        {"x=1,y=1,rule=S245/B368\no!\n", "245/368"},
        {"x = 1, y = 1, rule = b3/s23\no!\n", "23/3"},
        {"x = 1, y = 1, rule = s23/b36\no!\n", "23/36"},
        {"x = 1, y = 1, rule = B3/S23:T100,100\no!\n", "23/3"},
        {"x = 1, y = 1, rule = B36/S23:P60,40\no!\n", "23/36"},
        {"x = 1 rule = B36/S23\no!\n", "23/3"},     // no comma: not examined, default rule
        {"x = 1, rule = B36/S23,\no!\n", "23/36"},  // trailing comma: examined
        {"#r 34/34\no!\n", "34/34"},
        {"#N no rule\no!\n", "23/3"},
    };
    for (const Case& c : cases) {
        test::TestContext t;
        t.ctx.rule.ruleText = "1/1";
        ASSERT_EQ(ReadRleFile(t.ctx, c.file, "r.rle"), 0) << c.file;
        EXPECT_EQ(t.ctx.rule.ruleText, c.rule) << c.file;
        EXPECT_EQ(LiveCells(t.ctx.field).size(), 1u) << c.file;
    }
}

TEST(RleRead, FailuresLeaveFieldRuleAndTitleAlone) {
    struct Case {
        std::string file;
        const char* caption;
        int result;
    } cases[] = {
        {"x = 3, y = 3, rule = B36/S23\nbo$2bo$3O!\n",
         "パターンデータの中に認識できない文字が見つかりました。", 1},
        {"x = 3, rule = 34/34,\nbo$B!\n", "パターンデータの中に認識できない文字が見つかりました。",
         1},
        {"#r 34\n3o.\n", "パターンデータの中に認識できない文字が見つかりました。", 1},
        {"o!\n", "サポートしていないファイル形式です。", 1},
        {" x = 1\no!\n", "サポートしていないファイル形式です。", 1},
        {"", "サポートしていないファイル形式です。", 1},
        {std::string("\0x = 1\no!\n", 9), "サポートしていないファイル形式です。", 1},
        {"x = 3, y = 3, rule = B36/S23\n", "認識できないデータ構造です。", 1},
        {"#C only comments\n#N name\n", "認識できないデータ構造です。", 1},
    };
    for (const Case& c : cases) {
        test::TestContext t;
        t.ctx.field.setCell(5, 6, 1);
        t.ctx.field.generation = 12;
        t.ctx.rule.ruleText = "23/3";
        ASSERT_EQ(ReadRleFile(t.ctx, c.file, "bad.rle"), c.result) << c.file;
        EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{5, 6}})) << c.file;
        EXPECT_EQ(t.ctx.field.generation, 12);
        EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
        EXPECT_EQ(t.ctx.rule.birthTable[6], 0);
        EXPECT_TRUE(t.host.titles.empty());
        ASSERT_EQ(t.host.boxes.size(), 1u) << c.file;
        EXPECT_EQ(t.host.boxes[0].caption, c.caption);
        EXPECT_EQ(t.host.boxes[0].icon, Icon::Exclamation);
        EXPECT_EQ(t.ctx.run.busy, 0);
        EXPECT_EQ(t.host.pointers.back(), Pointer::Arrow);
        EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    }
}

TEST(RleRead, MessagesReadExactly) {
    test::TestContext t;
    ReadRleFile(t.ctx, "x = 1\nbo$O!\n", "m.rle");
    ReadRleFile(t.ctx, "hello\n", "m.rle");
    ReadRleFile(t.ctx, "x = 1\n", "m.rle");
    ASSERT_EQ(t.host.boxes.size(), 3u);
    EXPECT_EQ(
        t.host.boxes[0].text,
        "パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" だけです。\r\n"
        "このファイルは読み込めません。");
    EXPECT_EQ(t.host.boxes[1].text,
              "RLE形式として読み込みましたが、データが\"x\"または\"#\"で始まっていません。");
    EXPECT_EQ(t.host.boxes[2].text, "有効なパターンデータが見つかりませんでした。");
    ReportFileNotFound(t.ctx, "/tmp/nowhere.rle");
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"ファイルが見つかりません。",
                                               "ファイル\"/tmp/nowhere.rle\"が見つかりません。"}));
}

TEST(RleRead, HostileNumbersStayExactAndCheap) {
    test::TestContext t;
    // A count no int can hold: the cells that can land do, the rest are dropped.
    ASSERT_EQ(ReadRleFile(t.ctx, "x = 1\n99999999999999999999999999o$o!\n", "h.rle"), 0);
    const Cells cells = LiveCells(t.ctx.field);
    // The staging grid is 2202 wide; the centring puts its column 0 at (1202 - 2202) / 2 = -500,
    // so the interior shows staged columns 501..1700 of row 0 and column 0 of row 1 is dropped.
    EXPECT_EQ(cells.size(), 1200u);
    EXPECT_EQ(cells.begin()->first, 1);
    // A billion row ends, then a cell: nothing lands, quickly.
    ASSERT_EQ(ReadRleFile(t.ctx, "x = 1\no1000000000$o!\n", "h.rle"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 1u);
    // Positions at the ends of the 32-bit range and beyond.
    for (const char* file :
         {"#R 2147483647 2147483647\no!\n", "#R -2147483648 5\no!\n",
          "#R -99999999999999999999999 0\no!\n", "#R -4294967296 0\n4294967306bo!\n"}) {
        // Far outside, or (for the last) staged at (10, 0), which is border.
        ASSERT_EQ(ReadRleFile(t.ctx, file, "h.rle"), 0) << file;
        EXPECT_TRUE(LiveCells(t.ctx.field).empty()) << file;
    }
    // Exact arithmetic: -4294967296 + 4294967306 = 10, so the cell is staged at (10, 1).
    ASSERT_EQ(ReadRleFile(t.ctx, "#R -4294967296 1\n4294967306bo!\n", "h.rle"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{10, 1}}));
}

TEST(RleRead, CommentsInShiftJisAreShownAsUtf8) {
    test::TestContext t;
    // "#C " + the Shift-JIS bytes of "グライダー".
    ASSERT_EQ(ReadRleFile(t.ctx, "#C \x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b\no!\n", "j.rle"), 0);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].text, "グライダー\n");
    ASSERT_EQ(ReadRleFile(t.ctx, "#C グライダー\no!\n", "j.rle"), 0);
    EXPECT_EQ(t.host.boxes.back().text, "グライダー\n");
}

TEST(RleReading, PasteParametersStartAtTheCentreAndRefuseAsData) {
    test::TestContext t;
    Field& f = t.ctx.field;
    RleReadingParams p = PasteRleParams(f);
    EXPECT_EQ(p.startColumn, f.gridWidth / 2);
    EXPECT_EQ(p.startRow, f.gridHeight / 2);
    EXPECT_EQ(p.minX, 1);
    EXPECT_EQ(p.minY, 1);
    EXPECT_EQ(p.endX, std::min(2 * f.gridWidth - 2, f.loadWidth));
    EXPECT_EQ(p.endY, std::min(2 * f.gridHeight - 2, f.loadHeight));
    p.rejected = {"paste caption", "paste text"};
    RleReadState s;
    ASSERT_FALSE(RleReading("#R -1 0\nx = 1\n2o$o!", p, f.staging(), s));
    EXPECT_TRUE(s.placeSeen);
    EXPECT_EQ(LoadAreaExtent(f).left, 600);
    EXPECT_EQ(LoadAreaExtent(f).top, 601);
    EXPECT_EQ(LoadAreaExtent(f).width, 2);
    EXPECT_EQ(s.patternLines, 1);
    // Limits: a cell at staging column 0 is dropped in a paste.
    RleReadState s2;
    ASSERT_FALSE(RleReading("#R -601 0\no!", p, f.staging(), s2));
    EXPECT_FALSE(LoadAreaExtent(f).found);
    // The refusal comes back as data: nothing is shown, the pointer is left alone.
    const std::size_t pointers = t.host.pointers.size();
    RleReadState s3;
    const auto refusal = RleReading("x = 1\nbOb!", p, f.staging(), s3);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->caption, "paste caption");
    EXPECT_EQ(refusal->text, "paste text");
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_EQ(t.host.pointers.size(), pointers);
}

TEST(RleWrite, GliderBytes) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 40, 50, {".*", "..*", "***"});
    EXPECT_EQ(WriteRleFile(t.ctx.field, t.ctx.rule.ruleText),
              "x = 3, y = 3, rule = B3/S23\r\nbo$2bo$3o!\r\n");
    t.ctx.rule.ruleText = "23/36";
    EXPECT_EQ(WriteRleFile(t.ctx.field, t.ctx.rule.ruleText),
              "x = 3, y = 3, rule = B36/S23\r\nbo$2bo$3o!\r\n");
}

TEST(RleWrite, EmptyRowsAndLineBreaks) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 10, 10, {"*", "", "", "**"});
    EXPECT_EQ(WriteRleFile(t.ctx.field, t.ctx.rule.ruleText),
              "x = 2, y = 4, rule = B3/S23\r\no3$2o!\r\n");

    // Alternating cells: "ob" pairs; every body line but the last stays below 69 characters
    // and no token is split.
    test::TestContext u;
    std::string row;
    for (int i = 0; i < 100; ++i) row += i % 3 == 0 ? "*" : (i % 3 == 1 ? "." : "*");
    test::PlacePicture(u.ctx, 5, 5, {row, row});
    const std::string file = WriteRleFile(u.ctx.field, u.ctx.rule.ruleText);
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < file.size();) {
        const std::size_t end = file.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(file.substr(pos, end - pos));
        pos = end + 2;
    }
    ASSERT_GE(lines.size(), 3u);
    std::string body;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (i + 1 < lines.size()) {
            EXPECT_LE(lines[i].size(), 68u);
        }
        EXPECT_LE(lines[i].size(), 69u);
        // A break never falls inside a token: no line ends in a count.
        EXPECT_EQ(std::isdigit(static_cast<unsigned char>(lines[i].back())), 0);
        body += lines[i];
    }
    // Reading the body back gives the same cells.
    test::TestContext back;
    ASSERT_EQ(ReadRleFile(back.ctx, file, "w.rle"), 0);
    EXPECT_EQ(Shape(LiveCells(back.ctx.field)), Shape(LiveCells(u.ctx.field)));
}

TEST(RleWrite, BreakFallsBeforeTheOverflowingToken) {
    test::TestContext t;
    // Row of 33 "o." pairs: "obobob...": each token is one character; 68 fit on a line.
    std::string row;
    for (int i = 0; i < 40; ++i) row += "*.";
    row += "*";
    test::PlacePicture(t.ctx, 3, 3, {row});
    const std::string file = WriteRleFile(t.ctx.field, t.ctx.rule.ruleText);
    const std::size_t first = file.find("\r\n") + 2;
    const std::size_t second = file.find("\r\n", first);
    EXPECT_EQ(second - first, 68u);
    EXPECT_EQ(file.substr(first, 68), [] {
        std::string s;
        for (int i = 0; i < 34; ++i) s += "ob";
        return s;
    }());
}

TEST(FileRuleText, MendsCaseAndSuffix) {
    EXPECT_EQ(FileRuleText("b3/s23"), "B3/S23");
    EXPECT_EQ(FileRuleText("B3/S23:T100,100"), "B3/S23");
    EXPECT_EQ(FileRuleText("23/3"), "23/3");
    Rule r;
    EXPECT_EQ(ParseRuleTables(r, FileRuleText("s23/b36:P60,40")), "23/36");
}

// Each notice line is shown from the encoding it is in: a UTF-8 name beside a Shift-JIS comment.
TEST(RleRead, NoticeLinesKeepTheirOwnEncodings) {
    test::TestContext t;
    ASSERT_EQ(ReadRleFile(t.ctx, "#N 日本\n#O \x90\xb6\x95\xa8\n#C ok\no!\n", "n.rle"), 0);
    EXPECT_EQ(t.host.lastBox().text, "日本\n\n生物\n\nok\n");
    test::TestContext l;
    ASSERT_EQ(ReadLifeFile(l.ctx, "#Life 1.05\n#D 日本\n#D \x90\xb6\x95\xa8\n*\n", "n.lif"), 0);
    EXPECT_EQ(l.host.lastBox().text, "日本\n生物\n");
}

// A notice is kept up to what a box can show, whole lines of it, and the box says when the rest
// was left out; a notice within the limit is shown whole.
TEST(RleRead, NoticesAreKeptUpToWhatABoxCanShow) {
    const std::string line(99, 'a');  // 100 bytes with its line feed: 655 of them fit
    const auto lines = [&](const char* mark, int n) {
        std::string out;
        for (int i = 0; i < n; ++i) out += mark + (" " + line) + "\n";
        return out;
    };
    std::string kept;
    for (int i = 0; i < 655; ++i) kept += line + "\n";
    const std::string note = "\n（長いため、以降は省略しました。）\n";
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"c.rle", lines("#C", 3000) + "o!\n", kept + note},
        {"mixed.rle", lines("#c", 600) + lines("#", 100) + "o!\nafter\n", kept + note},
        {"fits.rle", lines("#C", 655) + "o!\n", kept},
        {"d.lif", "#Life 1.05\n*\n" + lines("#D", 3000), kept + note},
        {"d106.lif", "#Life 1.06\n" + lines("#D", 656) + "0 0\n", kept + note},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TestContext t;
        ASSERT_EQ(test::ReadByExtension(t.ctx, c.bytes, c.name), 0);
        EXPECT_EQ(LiveCells(t.ctx.field).size(), 1u);
        EXPECT_EQ(t.host.lastBox().caption, c.name);
        EXPECT_TRUE(t.host.lastBox().text == c.shown)
            << t.host.lastBox().text.size() << " bytes shown";
    }
}

// NUL and 0xFF bytes end lines unstored, so a run of them reads as one: the reader passes over
// long runs at once, inside lines and across its buffer's refills, with the same cells, rule and
// boxes as for the run cut to its first byte.
TEST(RleRead, RunsOfUnstoredLineEndsReadAsOne) {
    const char* pieces[] = {"x = 5, y = 5, rule = B36/S23\n",
                            "#C note\n",
                            "#N name\n",
                            "3o$bo",
                            "2b3o$\n",
                            "o\n",
                            "!\n",
                            "after\n",
                            "#R 10 20\n",
                            "12",
                            "bo",
                            "x",
                            " o\n"};
    std::mt19937 rng(7);
    for (int round = 0; round < 40; ++round) {
        std::string longRuns = round % 2 == 0 ? "x = 1, y = 1\n" : "#C\n", oneByte = longRuns;
        for (int i = 0; i < 30; ++i) {
            const std::string piece = pieces[rng() % std::size(pieces)];
            longRuns += piece;
            oneByte += piece;
            if (rng() % 3 != 0) continue;
            const char end = rng() % 2 == 0 ? '\0' : '\xFF';
            const std::size_t length = rng() % 4 == 0 ? 1 + rng() % 200000 : 1 + rng() % 20;
            for (std::size_t k = 0; k < length; ++k) longRuns += rng() % 5 == 0 ? '\0' : end;
            oneByte += end;
        }
        test::TestContext a, b;
        EXPECT_EQ(ReadRleFile(a.ctx, longRuns, "r.rle"), ReadRleFile(b.ctx, oneByte, "r.rle"));
        EXPECT_EQ(LiveCells(a.ctx.field), LiveCells(b.ctx.field));
        EXPECT_EQ(a.ctx.rule.ruleText, b.ctx.rule.ruleText);
        ASSERT_EQ(a.host.boxes.size(), b.host.boxes.size());
        for (std::size_t i = 0; i < a.host.boxes.size(); ++i) {
            EXPECT_EQ(a.host.boxes[i].caption, b.host.boxes[i].caption);
            EXPECT_EQ(a.host.boxes[i].text, b.host.boxes[i].text);
        }
    }
}

}  // namespace
}  // namespace gb
