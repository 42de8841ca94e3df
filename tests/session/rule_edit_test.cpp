#include "session/rule_edit.h"

#include <gtest/gtest.h>

#include <utility>

#include "session/run.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

constexpr const char* kReportCaption = "デフォルト(23/3)以外のルールが適用されます。";

// The rule command as the dialog drives it: each typed text goes through OK until one is
// accepted; the last text is the one accepted (or the dialog is cancelled when none is).
struct TypedDialog {
    test::TestContext& t;
    std::vector<std::string> typed;
    std::vector<std::string> shownInitial;
    std::optional<std::string> operator()(const std::string& initial) {
        shownInitial.push_back(initial);
        for (const std::string& text : typed)
            if (auto accepted = RuleDialogOk(t.ctx, text)) return accepted;
        return std::nullopt;
    }
};

void Edit(test::TestContext& t, std::vector<std::string> typed) {
    TypedDialog dialog{t, std::move(typed), {}};
    EditRule(t.ctx, std::ref(dialog));
}

TEST(ValidateRuleText, RejectsInOrderWithTheExactTexts) {
    struct Case {
        const char* typed;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"", "ルール設定文字列が見つかりません。", "ルール設定文字列を入力してください。"},
        {"b3/s23", "ルール設定文字列に認識できない文字\"bs\"が含まれています。",
         "ルール設定文字列には\"B\"・\"S\" および 0～8の数字と\"/\"しか使えません。"},
        {"23/39", "ルール設定文字列に認識できない文字\"9\"が含まれています。", nullptr},
        // Order and repetitions kept; full-width nine and carriage returns are not converted.
        {"x9/x９\r", "ルール設定文字列に認識できない文字\"x9x９\r\"が含まれています。", nullptr},
        // Unrecognised characters are found before ambiguity and the second slash.
        {"23a", "ルール設定文字列に認識できない文字\"a\"が含まれています。", nullptr},
        {"23", "ルールの指定があいまいです。",
         "\"B23\" または \"S23\" と指定するか、\"/23\" または \"23/\" と指定してください。"},
        {"２ ３", "ルールの指定があいまいです。",
         "\"B2 3\" または \"S2 3\" と指定するか、\"/2 3\" または \"2 3/\" と指定してください。"},
        {"23/3/", "ルール設定文字列に\"/\"が2個以上見つかりました。",
         "ルール設定文字列に\"/\"は1個しか使えません。"},
        {"２３／３／", "ルール設定文字列に\"/\"が2個以上見つかりました。", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        const RuleTextCheck check = ValidateRuleText(c.typed);
        EXPECT_FALSE(check.ok);
        EXPECT_EQ(check.caption, c.caption);
        if (c.text != nullptr) {
            EXPECT_EQ(check.text, c.text);
        }
    }
}

TEST(ValidateRuleText, AcceptsAndTurnsFullWidthDigitsAndSlashIntoAscii) {
    const std::pair<const char*, const char*> accepted[] = {
        {"３４／３４", "34/34"},
        {"０１２３４５６７８／８", "012345678/8"},
        {"B3/S23", "B3/S23"},
        {"S23", "S23"},
        {" 2\t3 /3", " 2\t3 /3"}};
    for (auto [typed, rule] : accepted) EXPECT_EQ(ValidateRuleText(typed).rule, rule) << typed;
    EXPECT_TRUE(ValidateRuleText("/").ok);
}

TEST(EditRule, AcceptedTextsBecomeTheCanonicalRule) {
    struct Case {
        const char* typed;
        const char* rule;
        bool report;
    };
    const Case cases[] = {
        {"B3/S23", "23/3", false}, {"S23/B3", "23/3", false}, {"32/3", "23/3", false},
        {"323/33", "23/3", false}, {"23/3", "23/3", false},   {"S23", "23/", true},
        {"B3", "/3", true},        {"B3/23", "3/23", true},   {"３４／３４", "34/34", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        test::TestContext t;
        Edit(t, {c.typed});
        EXPECT_EQ(t.ctx.rule.ruleText, c.rule);
        ASSERT_EQ(t.host.boxes.size(), c.report ? 1u : 0u);
        if (c.report) {
            EXPECT_EQ(t.host.lastBox().caption, kReportCaption);
            EXPECT_EQ(t.host.lastBox().icon, Icon::Information);
        }
    }
    test::TestContext t;
    Edit(t, {"３４／３４"});
    const std::string& text = t.host.lastBox().text;
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "適用されるルール   34/34   (B34/S34)");
    EXPECT_EQ(t.ctx.rule.birthTable, (std::array<int, 9>{0, 0, 0, 1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(t.ctx.rule.survivalTable, t.ctx.rule.birthTable);
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
}

TEST(EditRule, RejectionsShowTheirBoxAndKeepTheRule) {
    test::TestContext t;
    t.ctx.rule.ruleText = ApplyRule(t.ctx, "3/23");
    t.host.boxes.clear();
    Edit(t, {"23", "", "23/3/"});  // every text refused, then cancel
    EXPECT_EQ(t.ctx.rule.ruleText, "3/23");
    EXPECT_EQ(t.ctx.rule.birthTable, (std::array<int, 9>{0, 0, 1, 1, 0, 0, 0, 0, 0}));
    ASSERT_EQ(t.host.boxes.size(), 3u);
    EXPECT_EQ(t.host.boxes[0].caption, "ルールの指定があいまいです。");
    EXPECT_EQ(t.host.boxes[1].caption, "ルール設定文字列が見つかりません。");
    EXPECT_EQ(t.host.boxes[2].caption, "ルール設定文字列に\"/\"が2個以上見つかりました。");
    for (const MessageBox& box : t.host.boxes) EXPECT_EQ(box.icon, Icon::Exclamation);
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
}

TEST(EditRule, PausesTheRunAroundTheDialogAndResumesAfterCancelAndOk) {
    test::TestContext t;
    StartRun(t.ctx);
    bool runningDuringDialog = true;
    EditRule(t.ctx, [&](const std::string& initial) -> std::optional<std::string> {
        EXPECT_EQ(initial, "23/3");
        runningDuringDialog = t.ctx.run.running;
        return std::nullopt;
    });
    EXPECT_FALSE(runningDuringDialog);
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");

    // An empty result (never passed by the dialog itself) shows the not-found box and keeps the
    // rule.
    EditRule(t.ctx, [](const std::string&) { return std::optional<std::string>(""); });
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"ルール設定文字列が見つかりません。",
                                               "ルール設定文字列を入力してください。"}));
}

}  // namespace
}  // namespace gb
