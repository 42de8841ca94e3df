#include "engine/rule.h"

#include <gtest/gtest.h>

#include <utility>

namespace gb {
namespace {

TEST(ParseRuleTables, EquivalentFormsOfTheDefault) {
    for (const char* text : {"B3/S23", "S23/B3", "32/3", "323/33", "23/3"}) {
        Rule rule;
        rule.survivalTable.fill(1);
        EXPECT_EQ(ParseRuleTables(rule, text), "23/3") << text;
        EXPECT_EQ(rule.survivalTable, (std::array<int, 9>{0, 0, 1, 1, 0, 0, 0, 0, 0}));
        EXPECT_EQ(rule.birthTable, (std::array<int, 9>{0, 0, 0, 1, 0, 0, 0, 0, 0}));
    }
}

TEST(ParseRuleTables, SplittingAndLetters) {
    const std::pair<const char*, const char*> cases[] = {
        {"S23", "23/"},
        {"B3", "/3"},
        {"B3/23", "3/23"},
        {" B3/S23", "3/23"},
        {"", "/"},
        {"9x", "/"},
        {"1/2/3", "1/23"},
        {"8765/0", "5678/0"},
        {"S2\n3/B\t3", "23/3"},
        {"B36/S23", "23/36"},
        {"23", "/23"},
        {"/", "/"},
    };
    for (auto [in, out] : cases) {
        Rule rule;
        EXPECT_EQ(ParseRuleTables(rule, in), out) << in;
    }
}

TEST(FormatRuleBS, LetteredForms) {
    const std::pair<const char*, const char*> cases[] = {
        {"23/3", "B3/S23"}, {"34/34", "B34/S34"}, {"/3", "B3"},   {"23/", "S23"},
        {"/", "B"},         {"B3/S23", "B3/S23"}, {"S23", "BS23"}};  // no "/": all of it is the
                                                                     // birth part
    for (auto [canonical, lettered] : cases)
        EXPECT_EQ(FormatRuleBS(canonical), lettered) << canonical;
}

TEST(FormatRuleBS, ReadsBackToTheSameTables) {
    for (const char* canonical :
         {"23/3", "34/34", "/3", "23/", "/", "012345678/012345678", "5/0"}) {
        Rule a, b;
        ParseRuleTables(a, canonical);
        EXPECT_EQ(ParseRuleTables(b, FormatRuleBS(canonical)), canonical);
        EXPECT_EQ(a.survivalTable, b.survivalTable);
        EXPECT_EQ(a.birthTable, b.birthTable);
    }
}

}  // namespace
}  // namespace gb
