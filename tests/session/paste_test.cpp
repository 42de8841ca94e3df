#include "session/paste.h"

#include <gtest/gtest.h>

#include "session/run.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;

const Cells kGliderAt600 = {{601, 599}, {602, 600}, {600, 601}, {601, 601}, {602, 601}};

// Pastes the text as the clipboard's; the Field's live cells after it.
Cells Paste(test::TestContext& t, const std::string& clipboard) {
    t.host.clipboard = clipboard;
    PasteFromClipboard(t.ctx);
    return LiveCells(t.ctx.field);
}

void ExpectPastedState(const test::TestContext& t) {
    EXPECT_EQ(t.ctx.shell.documentPath, "新規");
    EXPECT_EQ(t.host.lastTitle(), "新規 - Gridbloom");
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, 0);
    EXPECT_EQ(t.ctx.field.generation, 0);
    EXPECT_FALSE(t.ctx.run.running);
}

TEST(PastePicture, OriginFollowsLineCountAndWidth) {
    // CR LF after every line, the last one included: origin (600, 599) on a 1202 × 1202 grid.
    test::TestContext t;
    t.ctx.shell.currentQuickLaunchItem = 7;
    t.ctx.field.generation = 55;
    t.ctx.rule.ruleText = ApplyRule(t.ctx, "3/23");
    t.host.boxes.clear();
    StartRun(t.ctx);
    EXPECT_EQ(Paste(t, ".*.\r\n..*\r\n***\r\n"), kGliderAt600);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
    EXPECT_TRUE(t.host.boxes.empty());
    ExpectPastedState(t);

    // Without the final line end the picture lands one row lower.
    EXPECT_EQ(Paste(t, ".*.\r\n..*\r\n***"), test::Shifted(kGliderAt600, 0, 1));

    // Line feeds alone: an empty line right after a line end is lost, the appended one too, so
    // a final line feed changes nothing.
    EXPECT_EQ(Paste(t, ".*.\n..*\n***\n"), test::Shifted(kGliderAt600, 0, 1));
    EXPECT_EQ(test::Shape(Paste(t, "*\n\n*\n")), (Cells{{0, 0}, {0, 1}}));

    // Tabs vanish; squares and "O" are cells.
    EXPECT_EQ(Paste(t, "\t□■□\r\n□□O\r\nOO\t■\r\n"), kGliderAt600);
    EXPECT_TRUE(t.host.boxes.empty());
}

TEST(PastePicture, OtherLettersAskFirst) {
    test::TestContext t;
    t.ctx.field.setCell(5, 5, 1);
    t.ctx.shell.documentPath = "/x/old.rle";
    t.host.clipboard = ".A.\r\n..*\r\nO**\r\n";
    t.host.answers = {Button::No};
    PasteFromClipboard(t.ctx);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    const MessageBox& box = t.host.boxes[0];
    EXPECT_TRUE(
        test::Shows(box, {"クリップボードのテキストに下記の無効なデータが含まれています。",
                          "A\r\n\r\n貼り付けを強行しますか。", Icon::Exclamation, Buttons::YesNo}));
    EXPECT_EQ(box.defaultButton, Button::No);
    // No: nothing changed.
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{5, 5}}));
    EXPECT_EQ(t.ctx.shell.documentPath, "/x/old.rle");
    EXPECT_TRUE(t.host.titles.empty());

    t.host.answers = {Button::Yes};
    PasteFromClipboard(t.ctx);
    EXPECT_EQ(LiveCells(t.ctx.field),
              test::Shifted(Cells{{2, 1}, {0, 2}, {1, 2}, {2, 2}}, 600, 599));
    ExpectPastedState(t);
}

TEST(PasteCommand, NoTextAndEmptyText) {
    test::TestContext t;
    t.ctx.field.setCell(5, 5, 1);
    EXPECT_FALSE(UpdatePasteCommand(t.ctx));
    PasteFromClipboard(t.ctx);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.boxes[0],
                            {"クリップボードのデータがテキスト形式ではないようです。",
                             "クリップボードからのデータ取得に失敗しました。", Icon::Information}));
    t.host.clipboard = "";
    EXPECT_TRUE(UpdatePasteCommand(t.ctx));
    PasteFromClipboard(t.ctx);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(), {"クリップボードに有効なデータがありません。", "貼り付けできません。"}));
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{5, 5}}));
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    // Text that starts with a NUL is empty text too.
    const std::size_t boxes = t.host.boxes.size();
    t.host.clipboard = std::string("\0.*\r\n", 5);
    PasteFromClipboard(t.ctx);
    ASSERT_EQ(t.host.boxes.size(), boxes + 1);
    EXPECT_EQ(t.host.lastBox().text, "貼り付けできません。");
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{5, 5}}));
}

TEST(PasteCommand, TheTextEndsAtItsFirstNul) {
    using namespace std::string_literals;
    // A picture: the two lines before the NUL are pasted, without a question about the rest.
    test::TestContext t;
    t.host.clipboard = ".*.\r\n***\r\n\0abc\r\n*"s;
    PasteFromClipboard(t.ctx);
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_EQ(test::Shape(LiveCells(t.ctx.field)), (Cells{{1, 0}, {0, 1}, {1, 1}, {2, 1}}));
    ExpectPastedState(t);
    // An RLE text: a comment after the NUL is not shown, cells after it are not read.
    test::TestContext r;
    r.host.clipboard = "x = 3, y = 1\r\n3o!\0#C hidden\r\nooo$ooo!"s;
    PasteFromClipboard(r.ctx);
    EXPECT_TRUE(r.host.boxes.empty());
    EXPECT_EQ(test::Shape(LiveCells(r.ctx.field)), (Cells{{0, 0}, {1, 0}, {2, 0}}));
}

TEST(PasteRleText, LeadingEmptyLineAndCentring) {
    test::TestContext t;
    t.ctx.shell.currentQuickLaunchItem = -1;
    StartRun(t.ctx);
    // The cursor starts at the centre cell (601, 601); without "#R" the pattern moves back by
    // half its size, so the glider's middle is the centre cell.
    const Cells centred = test::Shifted(kGliderAt600, 0, 1);
    EXPECT_EQ(Paste(t, "\r\n  x = 3, y = 3, rule = B3/S23\r\nbo$2bo$3o!\r\n"), centred);
    EXPECT_TRUE(t.host.boxes.empty());
    ExpectPastedState(t);

    // "#R 0 0": the pattern's origin is the centre cell itself.
    EXPECT_EQ(Paste(t, "#R 0 0\nx = 3, y = 3\nbo$2bo$3o!\n"), test::Shifted(centred, 1, 1));
    // From a file the same text counts from the grid's corner (the border cells are lost).
    ASSERT_EQ(ReadRleFile(t.ctx, "#R 0 0\nx = 3, y = 3\nbo$2bo$3o!\n", "g.rle"), 0);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{2, 1}, {1, 2}, {2, 2}}));

    // A rule of its own is applied (and reported); none gives "23/3".
    t.host.boxes.clear();
    t.host.clipboard = "x = 1, y = 1, rule = B36/S23\no!";
    PasteFromClipboard(t.ctx);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/36");
    EXPECT_EQ(t.host.boxes.size(), 1u);  // the rule report
    t.host.clipboard = "x = 1, y = 1\no!";
    PasteFromClipboard(t.ctx);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
}

TEST(PasteRleText, IndentationByFourBlanks) {
    test::TestContext t;
    EXPECT_EQ(Paste(t, "x = 3, y = 3\r\n    bo$2bo$\r\n        3o!\r\n"),
              test::Shifted(kGliderAt600, 0, 1));
    // A tab goes too; five blanks leave one, and that line is skipped.
    EXPECT_EQ(Paste(t, "x = 3, y = 3\n\tbo$2bo$\n     3o!\n"), (Cells{{601, 600}, {602, 601}}));
    EXPECT_TRUE(t.host.boxes.empty());
}

TEST(PasteRleText, CommentsAreShownAfterThePaste) {
    test::TestContext t;
    t.host.clipboard = "#N Glider\r\n#C moves  \r\nx = 3, y = 3\r\nbo$2bo$3o!\r\nafter the end\r\n";
    PasteFromClipboard(t.ctx);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(
        t.host.boxes[0],
        {"RLEデータ貼り付け機能。下記の文字列はコメントとして扱われ、パターンデータとしては"
         "認識されません。",
         "Glider\n\nmoves  \nafter the end", Icon::Information}));
    EXPECT_EQ(LiveCells(t.ctx.field), test::Shifted(kGliderAt600, 0, 1));  // placed before the box
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
}

TEST(PasteRleText, RejectedTexts) {
    test::TestContext t;
    t.ctx.field.setCell(5, 5, 1);
    t.ctx.shell.documentPath = "kept";
    // A rejected letter in a pattern line.
    t.host.clipboard = "x = 3, y = 1\nbzo!\n";
    PasteFromClipboard(t.ctx);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(),
        {"RLEデータ貼り付け機能。パターンデータの中に認識できない文字が見つかりました。",
         "パターンデータに使用可能なのは \"b\"、\"o\"、\"$\"、数字、および \"!\" だけです。"
         "\r\nこのデータは貼り付けできません。"}));
    // No pattern line at all.
    t.host.clipboard = "#C just a comment\n";
    PasteFromClipboard(t.ctx);
    EXPECT_TRUE(
        test::Shows(t.host.lastBox(), {"RLEデータ貼り付け機能。認識できないデータ構造です。",
                                       "有効なパターンデータが見つかりませんでした。"}));
    // The guard of the RLE paste itself.
    EXPECT_EQ(PasteRle(t.ctx, "bo$2bo$3o!"), 1);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(),
        {"RLEデータ貼り付け機能。サポートしていないデータ形式です。",
         "RLE形式として貼り付けを試みましたが、データが\"x\"または\"#\"で始まっていません。"}));
    EXPECT_EQ(t.host.boxes.size(), 3u);
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{5, 5}}));
    EXPECT_EQ(t.ctx.shell.documentPath, "kept");
    // The wait cursor is never used by the paste.
    for (Pointer p : t.host.pointers) EXPECT_NE(p, Pointer::Wait);
}

TEST(PasteRleText, FarCellsAreDroppedAndHugeNumbersStayBounded) {
    test::TestContext t;
    EXPECT_EQ(Paste(t, "#R -100000000000000000000 5\nx = 0\n99999999999999999999999999bo$o!\n"),
              Cells{});
    t.host.clipboard = "x = 0\n2000o!\n";  // wider than the field: clipped to the interior
    PasteFromClipboard(t.ctx);
    const Cells cells = LiveCells(t.ctx.field);
    ASSERT_FALSE(cells.empty());
    for (const auto& [x, y] : cells) {
        EXPECT_GE(x, 1);
        EXPECT_LE(x, 1200);
    }
}

}  // namespace
}  // namespace gb
