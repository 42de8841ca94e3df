#include "session/pattern_save.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

using test::ProcessExit;

struct Refusal {
    const char* name;
    bool cells;  // a live cell in the Field
    std::function<std::string(Context&)> write;
    const char* caption;
    std::string text;
};

// Each refusal a writer returns, as the session shows it: one exclamation box, nothing written.
TEST(PatternSave, EachRefusalIsShownInItsBox) {
    const Refusal refusals[] = {
        {"nothing to save", false, WriteTextPattern, "セルが存在していません。",
         "保存するデータがありません。"},
        {"invalid Life format", true,
         [](Context& c) { return WriteLifePattern(c, static_cast<LifeFormat>(-1)); },
         "Life 1.05／Life 1.06 以外のフォーマットが指定されました。",
         "フォーマットの指定が無効です。"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.name);
        test::TestContext t;
        if (r.cells) test::PlacePicture(t.ctx, 10, 10, {"*"});
        EXPECT_EQ(r.write(t.ctx), "");
        ASSERT_EQ(t.host.boxes.size(), 1u);
        EXPECT_TRUE(test::Shows(t.host.boxes[0], {r.caption, r.text, Icon::Exclamation}));
        EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    }
}

TEST(PatternSave, ATooWidePictureNamesItsWidthAndTheLimit) {
    test::TestContext t;
    ASSERT_TRUE(SetUpField(t.ctx, 12000, 3));
    test::PlacePicture(t.ctx, 1, 2, {"*", ""});
    t.ctx.field.setCell(12000, 1, 1);
    test::CountPopulation(t.ctx);
    EXPECT_EQ(WriteTextPattern(t.ctx), "");
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].caption, "テキストファイルに保存できません。");
    EXPECT_EQ(
        t.host.boxes[0].text,
        "パターンの幅が12000セルあります。テキストファイルに保存できるのは幅9999セルまでです。\r\n"
        "RLE形式かLife形式で保存してください。");
    EXPECT_EQ(t.host.boxes[0].icon, Icon::Exclamation);
}

// A text picture goes by the last frame's count of live cells, as the menu does: cells drawn
// since are not saved until a frame has counted them.
TEST(PatternSave, TextGoesByTheCountedPopulation) {
    test::TestContext t;
    t.ctx.field.setCell(5, 5, 1);
    EXPECT_EQ(WriteTextPattern(t.ctx), "");
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].text, "保存するデータがありません。");
    test::CountPopulation(t.ctx);
    EXPECT_EQ(WriteTextPattern(t.ctx), "*\r\n");
    EXPECT_EQ(t.host.boxes.size(), 1u);
}

// What is written is the formats' writer on the Field and the current rule, without a box.
TEST(PatternSave, WrittenFilesAreTheWritersBytes) {
    test::TestContext t;
    test::PlacePicture(t.ctx, 30, 40, {".*", "..*", "***"});
    t.ctx.rule.ruleText = "23/36";
    EXPECT_EQ(WriteRlePattern(t.ctx), WriteRleFile(t.ctx.field, "23/36"));
    EXPECT_EQ(WriteRlePattern(t.ctx), "x = 3, y = 3, rule = B36/S23\r\nbo$2bo$3o!\r\n");
    for (LifeFormat format : {LifeFormat::Life105, LifeFormat::Life106})
        EXPECT_EQ(WriteLifePattern(t.ctx, format),
                  WriteLifeFile(t.ctx.field, "23/36", format).bytes);
    EXPECT_EQ(WriteTextPattern(t.ctx), WriteTextFile(t.ctx.field, "23/36").bytes);
    EXPECT_TRUE(t.host.boxes.empty());
}

// The memory check comes first: without the cells no writer runs and no refusal is shown, the
// memory box is the only one and the program ends.
TEST(PatternSave, TheMemoryCheckComesBeforeTheWriter) {
    const std::function<std::string(Context&)> writes[] = {
        WriteRlePattern, WriteTextPattern,
        [](Context& c) { return WriteLifePattern(c, static_cast<LifeFormat>(-1)); }};
    for (const auto& write : writes) {
        test::TestContext t;
        FreeLoadArea(t.ctx.field);
        t.ctx.field.loadAreaAllocated = 0;
        EXPECT_THROW(write(t.ctx), ProcessExit);
        ASSERT_EQ(t.host.boxes.size(), 1u);
        EXPECT_EQ(t.host.boxes[0].text, "メモリ領域が確保できないため終了します。");
    }
}

}  // namespace
}  // namespace gb
