#include "core/engine/rule.h"

#include <gtest/gtest.h>

#include "tests/support/scripted_host.h"

namespace gb {
namespace {

TEST(ApplyRule, EquivalentFormsOfTheDefaultGiveNoReport) {
    for (const char* text : {"B3/S23", "S23/B3", "32/3", "323/33", "23/3"}) {
        test::TestContext t(false);
        EXPECT_EQ(ApplyRule(t.ctx, text), "23/3") << text;
        EXPECT_TRUE(t.host.boxes.empty()) << text;
        EXPECT_EQ(t.ctx.rule.survivalTable, (std::array<int, 9>{0, 0, 1, 1, 0, 0, 0, 0, 0}));
        EXPECT_EQ(t.ctx.rule.birthTable, (std::array<int, 9>{0, 0, 0, 1, 0, 0, 0, 0, 0}));
    }
}

TEST(ApplyRule, SplittingAndLetters) {
    const std::pair<const char*, const char*> cases[] = {
        {"S23", "23/"},      {"B3", "/3"},         {"B3/23", "3/23"},  {" B3/S23", "3/23"},
        {"", "/"},           {"9x", "/"},          {"1/2/3", "1/23"},  {"8765/0", "5678/0"},
        {"S2\n3/B\t3", "23/3"}, {"B36/S23", "23/36"}, {"23", "/23"},   {"/", "/"},
    };
    for (auto [in, out] : cases) {
        test::TestContext t(false);
        EXPECT_EQ(ApplyRule(t.ctx, in), out) << in;
    }
}

TEST(ApplyRule, ReportsAnyOtherRuleOnceWithItsOwnCaption) {
    test::TestContext t(false);
    EXPECT_EQ(ApplyRule(t.ctx, "3/23"), "3/23");
    ASSERT_EQ(t.host.boxes.size(), 1u);
    const MessageBox& box = t.host.lastBox();
    EXPECT_EQ(box.caption, "デフォルト(23/3)以外のルールが適用されます。");
    EXPECT_EQ(box.icon, Icon::Information);
    EXPECT_EQ(box.text,
              "適用されるルール   3/23   (B23/S3)\r\n\r\n"
              "隣人  0  1  2  3  4  5  6  7  8\r\n"
              "--------------------------\n\r"
              "生存  -  -  -  *  -  -  -  -  -\r\n"
              "誕生  -  -  *  *  -  -  -  -  -");
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
}

TEST(FormatRuleBS, LetteredForms) {
    EXPECT_EQ(FormatRuleBS("23/3"), "B3/S23");
    EXPECT_EQ(FormatRuleBS("34/34"), "B34/S34");
    EXPECT_EQ(FormatRuleBS("/3"), "B3");
    EXPECT_EQ(FormatRuleBS("23/"), "S23");
    EXPECT_EQ(FormatRuleBS("/"), "B");
    EXPECT_EQ(FormatRuleBS("B3/S23"), "B3/S23");
    EXPECT_EQ(FormatRuleBS("S23"), "BS23");  // no "/": all of it is the birth part
}

TEST(FormatRuleBS, ReadsBackToTheSameTables) {
    for (const char* canonical : {"23/3", "34/34", "/3", "23/", "/", "012345678/012345678", "5/0"}) {
        Rule a, b;
        ParseRuleTables(a, canonical);
        EXPECT_EQ(ParseRuleTables(b, FormatRuleBS(canonical)), canonical);
        EXPECT_EQ(a.survivalTable, b.survivalTable);
        EXPECT_EQ(a.birthTable, b.birthTable);
    }
}

}  // namespace
}  // namespace gb
