#include "formats/life_file.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;
using test::Shape;

TEST(LifeRead, HeadersDecideTheBody) {
    EXPECT_EQ(ClassifyLifeFile("#Life 1.05\n.*\n"), LifeHeader::Life105);
    EXPECT_EQ(ClassifyLifeFile("#Life 1.05\r\n.*\r\n"), LifeHeader::Life105);
    EXPECT_EQ(ClassifyLifeFile("#Life 1.06\r\n0 0\r\n"), LifeHeader::Life106);
    EXPECT_EQ(ClassifyLifeFile("#life 1.05\n"), LifeHeader::HandedToRle);
    EXPECT_EQ(ClassifyLifeFile("#Life 1.05 \n"), LifeHeader::HandedToRle);
    EXPECT_EQ(ClassifyLifeFile("#Life 1.05"), LifeHeader::HandedToRle);
    EXPECT_EQ(ClassifyLifeFile("x = 3, y = 3\nbo$2bo$3o!\n"), LifeHeader::HandedToRle);
    EXPECT_EQ(ClassifyLifeFile(".*.\n"), LifeHeader::Unsupported);
    EXPECT_EQ(ClassifyLifeFile(""), LifeHeader::Unsupported);
}

TEST(LifeRead, BlocksCountFromTheCentre) {
    test::TestContext t;
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n#P 0 0\n*\n", "c.lif"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{601, 601}}));
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\r\n#P -1 -1\r\n.*.\r\n*..\r\n", "c.lif"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{601, 600}, {600, 601}}));
    EXPECT_EQ(t.host.lastTitle(), "c.lif - Gridbloom");
}

TEST(LifeRead, WithoutBlocksThePictureIsCentredByExtent) {
    test::TestContext t;
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n.*.\n..*\n***\n", "g.lif"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field),
              (Cells{{601, 600}, {602, 601}, {600, 602}, {601, 602}, {602, 602}}));
    // A "#D" line between two picture lines takes a row; "#P" alone does not switch to blocks.
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n#P\n*\n#D between\n*\n", "g.lif"), 0);
    EXPECT_EQ(Shape(LiveCells(t.ctx.field)), (Cells{{0, 0}, {0, 2}}));
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"g.lif", "between\n"}));
}

TEST(LifeRead, StagingLimitsDropCells) {
    test::TestContext t;
    // Column i is staged at i + 601; the limit is min(2 × 1202 − 2, 2202) = 2202.
    std::string line(1700, '.');
    line[1600] = '*';  // staging 2201: kept
    line[1601] = '*';  // staging 2202: dropped before any centring
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n*\n" + line + "\n", "l.lif"), 0);
    const Extent staged = LoadAreaExtent(t.ctx.field);
    EXPECT_EQ(staged.left, 601);
    EXPECT_EQ(staged.right, 2201);
    // A picture line is cut at loadWidth bytes.
    std::string longLine(3000, '.');
    longLine[2500] = '*';
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n#P -2000 0\n" + longLine + "\n", "l.lif"), 0);
    EXPECT_FALSE(LoadAreaExtent(t.ctx.field).found);
}

TEST(LifeRead, BlocksFitAStagingGridSmallerThanTheField) {
    // A resize that could not have its new staging grid keeps the old one, which can be smaller
    // than the new Field: block placement copies only what the staging grid holds.
    test::TestContext t;
    Field& f = t.ctx.field;
    ASSERT_TRUE(SetUpField(t.ctx, 1, 3000));
    FreeLoadArea(f);
    f.loadWidth = f.loadHeight = 1002;
    ASSERT_EQ(AllocateLoadArea(t.ctx, f.loadWidth, f.loadHeight), kAllocOk);
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\n#P 0 -1000\n*\n*\n", "b.lif"), 0);
    EXPECT_EQ(LiveCells(f), (Cells{{1, 501}, {1, 502}}));
}

TEST(LifeRead, Life106CoordinatesAndBorder) {
    test::TestContext t;
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.06\n0 0\n-601 0\n\n7\n  1   2\n#P 5 5\n", "s.lif"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{601, 601}, {602, 603}}));
    // Beyond the 32-bit range: dropped, never wrapped onto the field.
    ASSERT_EQ(
        ReadLifeFile(t.ctx,
                     "#Life 1.06\n4294967296 0\n-4294967296 0\n99999999999999999999999 1\n1 0\n",
                     "s.lif"),
        0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{602, 601}}));
}

TEST(LifeRead, RulesAndDescriptions) {
    struct Case {
        const char* file;
        const char* rule;
    } cases[] = {
        {"#Life 1.05\n#R 23/3\n*\n", "23/3"},     {"#Life 1.05\n#R B3/S23\n*\n", "23/3"},
        {"#Life 1.06\n#R 34/34\n0 0\n", "34/34"}, {"#Life 1.06\n#R b36/s23\n0 0\n", "23/36"},
        {"#Life 1.05\n#N\n*\n", "23/3"},          {"#Life 1.05\n*\n", "1/1"},
    };
    for (const Case& c : cases) {
        test::TestContext t;
        t.ctx.rule.ruleText = "1/1";
        ParseRuleTables(t.ctx.rule, "1/1");
        ASSERT_EQ(ReadLifeFile(t.ctx, c.file, "r.lif"), 0);
        EXPECT_EQ(t.ctx.rule.ruleText, c.rule) << c.file;
    }
    test::TestContext t;
    ASSERT_EQ(ReadLifeFile(t.ctx, "#Life 1.05\r\n#D first\r\n#Dsecond\r\n*\r\n", "/d/desc.lif"), 0);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.boxes[0], {"desc.lif", "first\nsecond\n", Icon::Information}));
}

TEST(LifeRead, OtherFilesGoToTheRleReaderOrAreRefused) {
    test::TestContext t;
    ASSERT_EQ(ReadLifeFile(t.ctx, "x = 3, y = 3\nbo$2bo$3o!\n", "r.lif"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 5u);
    // "#Life 1.05" with a trailing blank is RLE, whose picture lines are rejected.
    EXPECT_EQ(ReadLifeFile(t.ctx, "#Life 1.05 \n.*\n", "r.lif"), 0);
    EXPECT_EQ(t.host.lastBox().caption, "パターンデータの中に認識できない文字が見つかりました。");
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 5u);
    const std::size_t boxes = t.host.boxes.size();
    EXPECT_EQ(ReadLifeFile(t.ctx, "*.*\n", "r.lif"), 1);
    ASSERT_EQ(t.host.boxes.size(), boxes + 1);
    EXPECT_TRUE(
        test::Shows(t.host.lastBox(), {"サポートしていないファイル形式です。",
                                       "サポートしていないファイル形式なので読み込めません。"}));
    EXPECT_EQ(LiveCells(t.ctx.field).size(), 5u);
    EXPECT_EQ(t.ctx.run.busy, 0);
}

TEST(LifeWrite, GliderInBothFormats) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 100, 200, {".*", "..*", "***"});
    EXPECT_EQ(WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life105).bytes,
              "#Life 1.05\r\n#N\r\n#P -1 -1\r\n.*\r\n..*\r\n***\r\n");
    EXPECT_EQ(WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life106).bytes,
              "#Life 1.06\r\n#N\r\n0 -1\r\n1 0\r\n-1 1\r\n0 1\r\n1 1\r\n");
    t.ctx.rule.ruleText = "3/23";
    EXPECT_EQ(
        WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life106).bytes.substr(0, 21),
        "#Life 1.06\r\n#R 3/23\r\n");
}

TEST(LifeWrite, EmptyRowIsADotAndTheBlockIsHalfTheSize) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 10, 10, {"*...*", "", "..*"});
    EXPECT_EQ(WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life105).bytes,
              "#Life 1.05\r\n#N\r\n#P -2 -1\r\n*...*\r\n.\r\n..*\r\n");
}

// Islands far apart, some of their cells drawn and then cleared again: both formats as a plain
// walk over the whole extent writes them.
TEST(LifeWrite, SparseIslandsAsAWalkOverTheWholeExtent) {
    std::mt19937 rng(77);
    for (int round = 0; round < 8; ++round) {
        test::TestContext t;
        Field& f = t.ctx.field;
        for (int island = 0; island < 1 + round; ++island) {
            const int ix = 1 + static_cast<int>(rng() % 1190),
                      iy = 1 + static_cast<int>(rng() % 1190);
            for (int k = 0; k < 10; ++k)
                f.setCell(ix + static_cast<int>(rng() % 8), iy + static_cast<int>(rng() % 8),
                          static_cast<std::int8_t>(k % 4 == 3 ? 0 : 1));
        }
        const Extent e = FieldExtent(f);
        std::string life105 = "#Life 1.05\r\n#N\r\n#P " + std::to_string(-e.width / 2) + " " +
                              std::to_string(-e.height / 2) + "\r\n";
        std::string life106 = "#Life 1.06\r\n#N\r\n";
        const int cx = (e.left + e.right + 1) / 2, cy = (e.top + e.bottom + 1) / 2;
        for (int y = e.top; y <= e.bottom; ++y) {
            std::string line;
            for (int x = e.left; x <= e.right; ++x) {
                line += f.at(x, y) == 1 ? '*' : '.';
                if (f.at(x, y) == 1)
                    life106 += std::to_string(x - cx) + " " + std::to_string(y - cy) + "\r\n";
            }
            const std::size_t last = line.rfind('*');
            life105 +=
                (last == std::string::npos ? std::string(".") : line.substr(0, last + 1)) + "\r\n";
        }
        EXPECT_EQ(WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life105).bytes,
                  life105)
            << round;
        EXPECT_EQ(WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life106).bytes,
                  life106)
            << round;
    }
}

TEST(LifeWrite, InvalidFormatWritesNothing) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 10, 10, {"*"});
    for (const int format : {-1, 2}) {
        const WriteResult refused =
            WriteLifeFile(t.ctx.field, kDefaultRule, static_cast<LifeFormat>(format));
        EXPECT_EQ(refused.refusal, WriteRefusal::InvalidLifeFormat) << format;
        EXPECT_EQ(refused.bytes, "") << format;
    }
}

TEST(LifeFormatChoice, OkStoresEscKeeps) {
    LifeWriteSettings s;
    EXPECT_EQ(ChooseLifeFormat(s, false, -1), LifeFormat::Life105);  // Esc the first time
    EXPECT_EQ(ChooseLifeFormat(s, true, 1), LifeFormat::Life106);
    EXPECT_EQ(s.lastLifeFormat, 1);
    EXPECT_EQ(ChooseLifeFormat(s, false, 0), LifeFormat::Life106);  // Esc keeps the last
    EXPECT_EQ(ChooseLifeFormat(s, true, 0), LifeFormat::Life105);
    EXPECT_EQ(static_cast<int>(ChooseLifeFormat(s, true, -1)), -1);  // OK with nothing checked
}

TEST(LifeRoundTrip, BothFormatsReadBackTheSameCellsAndRule) {
    for (LifeFormat format : {LifeFormat::Life105, LifeFormat::Life106}) {
        test::TestContext t;
        test::PlacePicture(t.ctx, 30, 40, {"..*....*", "*", "", "", ".***..**", "......*"});
        t.ctx.rule.ruleText = "245/368";
        const std::string file = WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, format).bytes;
        test::TestContext back;
        ASSERT_EQ(ReadLifeFile(back.ctx, file, "rt.lif"), 0);
        EXPECT_EQ(Shape(LiveCells(back.ctx.field)), Shape(LiveCells(t.ctx.field)));
        EXPECT_EQ(back.ctx.rule.ruleText, "245/368");
    }
}

}  // namespace
}  // namespace gb
