// The readers on their own: a Field, an input, and the pattern or refusal they hand back. Nothing
// but the staging grid changes until a pattern is applied.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/field.h"
#include "formats/life_file.h"
#include "formats/pattern.h"
#include "formats/rle_reader.h"
#include "formats/text_file.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

// A Field of 100 × 80 with one live cell, which no read may touch.
struct ParseFixture : ::testing::Test {
    Field field;
    void SetUp() override {
        ASSERT_TRUE(SetUpField(field, 100, 80).ok());
        field.setCell(7, 7, 1);
    }
    void ExpectFieldUntouched() const { EXPECT_EQ(test::LiveCells(field), (test::Cells{{7, 7}})); }
};

// Answers every question with a fixed answer and keeps what was asked.
struct Answers : ReadQuestions {
    bool answer = false;
    std::vector<ReadMessage> asked;
    bool confirm(const ReadMessage& question) override {
        asked.push_back(question);
        return answer;
    }
};

PatternRead Parse(const std::string& bytes, PatternFormat as, Field& f, ReadQuestions& questions) {
    TextInput input(bytes);
    if (as == PatternFormat::Life) return ParseLifeFile(input, f, f.staging());
    if (as == PatternFormat::Picture) return ParseTextFile(input, f, f.staging(), questions);
    return ParseRleFile(input, f, f.staging());
}

TEST_F(ParseFixture, EachReaderStagesThePatternAndSaysWhereItGoes) {
    Answers none;
    const struct {
        PatternFormat as;
        std::string bytes;
        PatternFormat readAs;
        std::optional<std::string> rule;
        std::string notice;
    } cases[] = {
        {PatternFormat::Rle, "#N Glider\nx = 3, y = 3, rule = b3/s23:T9,9\nbo$2bo$3o!\n",
         PatternFormat::Rle, "b3/s23:T9", "Glider\n\n"},  // the header ends the rule at a comma
        {PatternFormat::Life, "#Life 1.05\n#D glider\n#N\n.*.\n..*\n***\n", PatternFormat::Life,
         "23/3", "glider\n"},
        {PatternFormat::Life, "#Life 1.06\n#R 34/34\n0 -1\n1 0\n-1 1\n0 1\n1 1\n",
         PatternFormat::Life, "34/34\n", ""},
        {PatternFormat::Life, "#C by hand\nx = 3, y = 3\nbo$2bo$3o!\n", PatternFormat::Rle, "23/3",
         "by hand\n"},
        {PatternFormat::Picture, ".*.\n..*\n***\n", PatternFormat::Picture, std::nullopt, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const PatternRead r = Parse(c.bytes, c.as, field, none);
        ASSERT_TRUE(r.read());
        EXPECT_EQ(r.pattern.format, c.readAs);
        EXPECT_EQ(r.pattern.rule, c.rule);
        EXPECT_EQ(r.pattern.notice, c.notice);
        ExpectFieldUntouched();
        // The box holds exactly the staged glider, and the move puts it on the grid.
        const StagedPattern& p = r.pattern.cells;
        ASSERT_TRUE(p.found);
        EXPECT_EQ(test::Shape(test::StagedCells(field)),
                  test::Cells({{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}}));
        EXPECT_TRUE(
            test::SameExtent(field.staged().extent(), test::ExtentOf(test::StagedCells(field))));
        EXPECT_EQ(p.right - p.left, 2);
        EXPECT_EQ(p.bottom - p.top, 2);
        EXPECT_TRUE(field.isInterior(p.left + p.dx, p.top + p.dy));
        EXPECT_TRUE(field.isInterior(p.right + p.dx, p.bottom + p.dy));
    }
    EXPECT_TRUE(none.asked.empty());
}

TEST_F(ParseFixture, RefusalsAndDeclinesComeBackAsData) {
    Answers no;
    const PatternRead rejected = Parse("x = 1\nbo$O!\n", PatternFormat::Rle, field, no);
    EXPECT_EQ(rejected.status, PatternRead::Status::Refused);
    EXPECT_EQ(rejected.refusal.caption, "パターンデータの中に認識できない文字が見つかりました。");
    const PatternRead empty = Parse("x = 1\n", PatternFormat::Rle, field, no);
    EXPECT_EQ(empty.refusal.caption, "認識できないデータ構造です。");
    EXPECT_EQ(empty.refusal.text, "有効なパターンデータが見つかりませんでした。");
    const PatternRead unknown = Parse("*.*\n", PatternFormat::Life, field, no);
    EXPECT_EQ(unknown.status, PatternRead::Status::Refused);
    EXPECT_EQ(unknown.pattern.format, PatternFormat::Life);
    EXPECT_EQ(unknown.refusal.text, "サポートしていないファイル形式なので読み込めません。");
    const PatternRead nul = Parse(std::string("*\n\0\n", 4), PatternFormat::Picture, field, no);
    EXPECT_EQ(nul.refusal.caption, "サポートしていないファイル形式です。");
    EXPECT_TRUE(no.asked.empty());

    // The picture reader's one question: No declines the read, Yes reads on.
    const PatternRead declined = Parse("*\nxy\n", PatternFormat::Picture, field, no);
    EXPECT_EQ(declined.status, PatternRead::Status::Declined);
    ASSERT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(no.asked[0].caption, "テキストファイルに下記の無効なデータが含まれています。");
    EXPECT_EQ(no.asked[0].text, "xy\r\n\r\n読み込みを強行しますか。");
    Answers yes;
    yes.answer = true;
    EXPECT_TRUE(Parse("*\nxy\n", PatternFormat::Picture, field, yes).read());
    EXPECT_EQ(yes.asked.size(), 1u);
    ExpectFieldUntouched();
}

}  // namespace
}  // namespace gb
