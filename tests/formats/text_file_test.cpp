#include "formats/text_file.h"

#include <gtest/gtest.h>

#include <random>

#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;
using test::Shape;

Cells GliderAt(int ox, int oy) {
    return {{ox + 1, oy}, {ox + 2, oy + 1}, {ox, oy + 2}, {ox + 1, oy + 2}, {ox + 2, oy + 2}};
}

TEST(TextRead, GliderInEverySpelling) {
    const std::string spellings[] = {
        ".*.\n..*\n***\n",
        ".*.\r\n..*\r\n***\r\n",
        ".*.\n..*\n***",
        ".O.\n..O\nOOO\n",
        "\xe2\x96\xa1\xe2\x96\xa0\xe2\x96\xa1\n\xe2\x96\xa1\xe2\x96\xa1\xe2\x96\xa0\n"
        "\xe2\x96\xa0\xe2\x96\xa0\xe2\x96\xa0\n",
        "\x81\xa0\x81\xa1\x81\xa0\r\n\x81\xa0\x81\xa0\x81\xa1\r\n\x81\xa1\x81\xa1\x81\xa1\r\n",
    };
    for (const std::string& file : spellings) {
        test::TestContext t;
        t.ctx.field.generation = 9;
        ASSERT_EQ(ReadTextFile(t.ctx, file, "/t/glider.txt"), 0);
        EXPECT_EQ(LiveCells(t.ctx.field), GliderAt(600, 599)) << file;
        EXPECT_TRUE(t.host.boxes.empty()) << file;
        EXPECT_EQ(t.ctx.field.generation, 0);
        EXPECT_EQ(t.host.lastTitle(), "glider.txt - Gridbloom");
        EXPECT_EQ(t.ctx.run.busy, 0);
    }
}

TEST(TextRead, ShiftJisTrailBytesAreNotCells) {
    // "Ｏ" is 0x82 0x6E and "グ" 0x83 0x4F: neither trail byte is taken for "O" (0x4F).
    test::TestContext t;
    t.host.answers = {Button::Yes};
    ASSERT_EQ(ReadTextFile(t.ctx, "*\x82\x6e\x83\x4f*\n", "k.txt"), 0);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].text, "Ｏグ\r\n\r\n読み込みを強行しますか。");
    EXPECT_EQ(Shape(LiveCells(t.ctx.field)), (Cells{{0, 0}, {5, 0}}));
}

TEST(TextRead, InvalidDataQuestion) {
    test::TestContext t;
    t.ctx.field.setCell(3, 3, 1);
    t.host.answers = {Button::No};
    EXPECT_EQ(ReadTextFile(t.ctx, ".*x\n* .\t*\n", "bad.txt"), 1);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    const MessageBox& box = t.host.boxes[0];
    EXPECT_TRUE(
        test::Shows(box, {"テキストファイルに下記の無効なデータが含まれています。",
                          "x\r\n\r\n読み込みを強行しますか。", std::nullopt, Buttons::YesNo}));
    EXPECT_EQ(box.defaultButton, Button::No);
    EXPECT_EQ(box.icon, Icon::Exclamation);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{3, 3}}));
    EXPECT_TRUE(t.host.titles.empty());
    EXPECT_EQ(t.ctx.run.busy, 0);

    t.host.answers = {Button::Yes};
    EXPECT_EQ(ReadTextFile(t.ctx, ".*x\n* .\t*\n", "bad.txt"), 0);
    EXPECT_EQ(Shape(LiveCells(t.ctx.field)), (Cells{{1, 0}, {0, 1}, {4, 1}}));

    // Only the first 800 bytes are quoted, cut at a character boundary.
    test::TestContext u;
    std::string many;
    for (int i = 0; i < 500; ++i) many += "あ";  // 3 bytes each in UTF-8
    u.host.answers = {Button::No};
    ReadTextFile(u.ctx, "*" + many + "\n", "long.txt");
    const std::string quoted = u.host.boxes[0].text.substr(0, u.host.boxes[0].text.find("\r\n"));
    EXPECT_EQ(quoted.size(), 798u);
}

// No text holds a NUL byte: a file with one is refused before anything changes, as devices that
// never end are.
TEST(TextRead, ANulByteIsNoPicture) {
    test::TestContext t;
    t.ctx.field.setCell(3, 3, 1);
    EXPECT_EQ(ReadTextFile(t.ctx, std::string(".*.\n..*\n***\n\0\n", 15), "nul.txt"), 1);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(
        test::Shows(t.host.boxes[0], {"サポートしていないファイル形式です。",
                                      "サポートしていないファイル形式なので読み込めません。"}));
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{3, 3}}));
    EXPECT_TRUE(t.host.titles.empty());
    EXPECT_EQ(t.ctx.run.busy, 0);
}

TEST(TextRead, CommentLinesTakeARowAndRuleLinesPushDown) {
    test::TestContext t;
    ASSERT_EQ(ReadTextFile(t.ctx, "*\n# a comment with * star\n*\n", "c.txt"), 0);
    // Measured: widest 1, two lines: originX = (1202 - 0) / 2, originY = (1202 - 2) / 2.
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{601, 600}, {601 + 17, 601}, {601, 602}}));

    test::TestContext r;
    ASSERT_EQ(ReadTextFile(r.ctx, "#R 34/34\n.*.\n..*\n***\n", "r.txt"), 0);
    EXPECT_EQ(LiveCells(r.ctx.field), GliderAt(600, 600));
    EXPECT_EQ(r.ctx.rule.ruleText, "34/34");
    ASSERT_EQ(r.host.boxes.size(), 1u);  // the rule report
    test::TestContext b;
    ASSERT_EQ(ReadTextFile(b.ctx, "#R b3/s23:T10,10\n*\n", "r.txt"), 0);
    EXPECT_EQ(b.ctx.rule.ruleText, "23/3");
}

TEST(TextRead, EmptyPictureLoadsAnEmptyField) {
    test::TestContext t;
    t.ctx.field.setCell(3, 3, 1);
    ASSERT_EQ(ReadTextFile(t.ctx, "# nothing here\n", "e.txt"), 0);
    EXPECT_TRUE(LiveCells(t.ctx.field).empty());
    EXPECT_TRUE(t.host.boxes.empty());
    ASSERT_EQ(ReadTextFile(t.ctx, "", "e.txt"), 0);
    EXPECT_TRUE(LiveCells(t.ctx.field).empty());
}

TEST(TextRead, FullSizePictureStartsAtTheCorner) {
    test::TestContext t;
    ASSERT_TRUE(SetUpField(t.ctx, 8, 6));  // grid 10 × 8
    // widest - 1 == gridWidth and lineCount == gridHeight: origin (0, 0).
    std::string file;
    for (int y = 0; y < 8; ++y) file += std::string(11, y == 2 ? '*' : '.') + "\n";
    ASSERT_EQ(ReadTextFile(t.ctx, file, "f.txt"), 0);
    Cells expected;
    for (int x = 1; x <= 8; ++x) expected.emplace(x, 2);
    EXPECT_EQ(LiveCells(t.ctx.field), expected);
}

TEST(TextWrite, LinesAndRule) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 20, 20, {"*"});
    EXPECT_EQ(WriteTextFile(t.ctx.field, t.ctx.rule.ruleText).bytes, "*\r\n");
    test::TestContext v;
    test::PlacePicture(v.ctx, 20, 20, {"*", "*", "*"});
    EXPECT_EQ(WriteTextFile(v.ctx.field, v.ctx.rule.ruleText).bytes, "*\r\n*\r\n*\r\n");
    test::TestContext g;
    test::PlacePicture(g.ctx, 20, 20, {"*..*", "", ".*"});
    g.ctx.rule.ruleText = "23/36";
    const std::string file = WriteTextFile(g.ctx.field, g.ctx.rule.ruleText).bytes;
    EXPECT_EQ(file, "#R 23/36\r\n*..*\r\n.\r\n.*\r\n.\r\n.\r\n");
    // Read back: same shape and rule, one row lower than the same file without the rule line.
    test::TestContext back, plain;
    ASSERT_EQ(ReadTextFile(back.ctx, file, "w.txt"), 0);
    ASSERT_EQ(ReadTextFile(plain.ctx, file.substr(10), "w.txt"), 0);
    EXPECT_EQ(Shape(LiveCells(back.ctx.field)), Shape(LiveCells(g.ctx.field)));
    EXPECT_EQ(back.ctx.rule.ruleText, "23/36");
    Cells lowered;
    for (const auto& [x, y] : LiveCells(plain.ctx.field)) lowered.emplace(x, y + 1);
    EXPECT_EQ(LiveCells(back.ctx.field), lowered);
}

TEST(TextWrite, NothingToSave) {
    test::TestContext t;
    const WriteResult refused = WriteTextFile(t.ctx.field, kDefaultRule);
    EXPECT_EQ(refused.refusal, WriteRefusal::NothingToSave);
    EXPECT_EQ(refused.bytes, "");
}

// Wide pictures: pieces end on a character boundary and count Shift-JIS bytes, so a UTF-8
// picture (3 bytes a square) is cut into rows where its Shift-JIS twin (2 bytes) is.
TEST(TextRead, WideUtf8PicturesReadAsTheirShiftJisTwins) {
    for (int width : {3334, 5000, 5001, 12345}) {
        std::string utf8, sjis;
        for (int row = 0; row < 3; ++row) {
            for (int i = 0; i < width; ++i) {
                const bool live = (i * 7 + row * 3) % 5 < 2;
                utf8 += live ? "■" : "□";
                sjis += live ? "\x81\xa1" : "\x81\xa0";
            }
            utf8 += "\r\n";
            sjis += "\r\n";
        }
        test::TestContext a, b;
        ASSERT_TRUE(SetUpField(a.ctx, 6000, 60));
        ASSERT_TRUE(SetUpField(b.ctx, 6000, 60));
        ASSERT_EQ(ReadTextFile(a.ctx, utf8, "u.txt"), 0) << width;
        ASSERT_EQ(ReadTextFile(b.ctx, sjis, "s.txt"), 0) << width;
        EXPECT_TRUE(a.host.boxes.empty()) << width;
        EXPECT_TRUE(b.host.boxes.empty()) << width;
        EXPECT_EQ(LiveCells(a.ctx.field), LiveCells(b.ctx.field)) << width;
        EXPECT_GT(LiveCells(a.ctx.field).size(), 1000u);
    }
}

// Each row is read in the encoding it is valid in, not one encoding for the whole file.
TEST(TextRead, EncodingIsDecidedForEachRow) {
    test::TestContext t;
    // UTF-8 "■□■", Shift-JIS "■■", and a row with a stray Shift-JIS "グ" shown as itself.
    t.host.answers = {Button::Yes};
    ASSERT_EQ(ReadTextFile(t.ctx, "■□■\n\x81\xa1\x81\xa1\n*\x83\x4f\n", "mixed.txt"), 0);
    EXPECT_EQ(Shape(LiveCells(t.ctx.field)), (Cells{{0, 0}, {2, 0}, {0, 1}, {1, 1}, {0, 2}}));
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].text, "グ\r\n\r\n読み込みを強行しますか。");

    // The shown text keeps its 800-byte cut across rows in different encodings.
    test::TestContext u;
    u.host.answers = {Button::No};
    std::string file = std::string(500, 'x') + "\n";
    for (int i = 0; i < 400; ++i) file += "\x83\x4f";  // "グ" in Shift-JIS, 2 bytes each
    file += "\n";
    EXPECT_EQ(ReadTextFile(u.ctx, file, "long.txt"), 1);
    std::string expected = std::string(500, 'x');
    for (int i = 0; i < 150; ++i) expected += "グ";
    EXPECT_EQ(u.host.boxes.at(0).text, expected + "\r\n\r\n読み込みを強行しますか。");
}

TEST(TextWrite, ARuleLineLeavesThePictureWhereItLoadsWithout) {
    // Small random pictures anywhere in Fields of both parities each way: the file with a rule
    // line loads the picture exactly where the same picture without one loads, and saving that
    // loaded picture with the rule and opening it again leaves it there.
    std::mt19937 rng(22);
    const auto pick = [&rng](int lo, int hi) {
        return lo + static_cast<int>(rng() % (hi - lo + 1));
    };
    for (int round = 0; round < 400; ++round) {
        const int fieldW = pick(1, 16), fieldH = pick(1, 16);
        const int w = pick(1, std::min(fieldW, 6)),
                  h = pick(1, round % 4 == 0 ? fieldH : std::min(fieldH, 6));
        test::TestContext t;
        ASSERT_TRUE(SetUpField(t.ctx, fieldW, fieldH));
        const int left = pick(1, fieldW - w + 1), top = pick(1, fieldH - h + 1);
        for (int y = top; y < top + h; ++y)
            for (int x = left; x < left + w; ++x)
                if (rng() % 2) t.ctx.field.setCell(x, y, 1);
        t.ctx.field.setCell(left, top, 1);
        t.ctx.field.setCell(left + w - 1, top + h - 1, 1);
        test::CountPopulation(t.ctx);
        const Cells drawn = LiveCells(t.ctx.field);
        SCOPED_TRACE(testing::Message() << "field " << fieldW << "x" << fieldH << " picture " << w
                                        << "x" << h << " at " << left << "," << top);

        const auto reopen = [&](const std::string& file) {
            test::TestContext back;
            EXPECT_TRUE(SetUpField(back.ctx, fieldW, fieldH));
            EXPECT_EQ(ReadTextFile(back.ctx, file, "p.txt"), 0);
            return LiveCells(back.ctx.field);
        };
        const Cells plain = reopen(WriteTextFile(t.ctx.field, t.ctx.rule.ruleText).bytes);
        ASSERT_EQ(Shape(plain), Shape(drawn));
        t.ctx.rule.ruleText = "23/36";
        EXPECT_EQ(reopen(WriteTextFile(t.ctx.field, t.ctx.rule.ruleText).bytes), plain);

        test::TestContext loaded;
        ASSERT_TRUE(SetUpField(loaded.ctx, fieldW, fieldH));
        for (const auto& [x, y] : plain) loaded.ctx.field.setCell(x, y, 1);
        test::CountPopulation(loaded.ctx);
        loaded.ctx.rule.ruleText = "23/36";
        EXPECT_EQ(reopen(WriteTextFile(loaded.ctx.field, loaded.ctx.rule.ruleText).bytes), plain);
    }
}

}  // namespace
}  // namespace gb
