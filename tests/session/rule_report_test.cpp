#include "session/rule_report.h"

#include <gtest/gtest.h>

#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(ApplyRule, TheDefaultInAnyFormIsAppliedWithoutAReport) {
    for (const char* text : {"B3/S23", "S23/B3", "32/3", "323/33", "23/3"}) {
        test::TestContext t(false);
        t.ctx.rule.birthTable.fill(1);
        EXPECT_EQ(ApplyRule(t.ctx, text), "23/3") << text;
        EXPECT_TRUE(t.host.boxes.empty()) << text;
        EXPECT_EQ(t.ctx.rule.survivalTable, (std::array<int, 9>{0, 0, 1, 1, 0, 0, 0, 0, 0}));
        EXPECT_EQ(t.ctx.rule.birthTable, (std::array<int, 9>{0, 0, 0, 1, 0, 0, 0, 0, 0}));
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

}  // namespace
}  // namespace gb
