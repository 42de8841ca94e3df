#include "core/dialog_input.h"

#include <gtest/gtest.h>

namespace gb {
namespace {

TEST(DialogInput, LenientReadingTakesTheLeadingNumberTruncated) {
    EXPECT_EQ(LenientNumber("12.9abc"), 12);
    EXPECT_EQ(LenientNumber("  -3.7"), -3);
    EXPECT_EQ(LenientNumber("abc"), 0);
    EXPECT_EQ(LenientNumber(""), 0);
    EXPECT_EQ(LenientNumber("-"), 0);
    EXPECT_EQ(LenientNumber("1e3"), 1000);
    EXPECT_EQ(LenientNumber("2e"), 2);
    EXPECT_EQ(LenientNumber("1,000"), 1);
    EXPECT_EQ(LenientNumber(".5"), 0);
}

TEST(DialogInput, StrictExchangeAndItsPrompts) {
    EXPECT_EQ(ParseDialogInt(" 42 "), 42);
    EXPECT_EQ(ParseDialogInt("-4"), -4);
    EXPECT_EQ(ParseDialogInt("+7"), 7);
    EXPECT_EQ(ParseDialogInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseDialogInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseDialogInt("2147483648"), std::nullopt);
    EXPECT_EQ(ParseDialogInt("99999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseDialogInt("12a"), std::nullopt);
    EXPECT_EQ(ParseDialogInt("1.5"), std::nullopt);
    EXPECT_EQ(ParseDialogInt(""), std::nullopt);
    EXPECT_EQ(ParseDialogInt("-"), std::nullopt);

    IntCheck c = CheckDialogInt("5", 10, 10000);
    EXPECT_FALSE(c.value);
    EXPECT_EQ(c.prompt, "10 から 10000 までの整数を入力してください。");
    c = CheckDialogInt("x", 10, 10000);
    EXPECT_EQ(c.prompt, "整数を入力してください。");
    c = CheckDialogInt("-4", -4, 20);
    EXPECT_EQ(c.value, -4);
    EXPECT_EQ(FormatInt(1e20), "2147483647");
    EXPECT_EQ(FormatInt(-12), "-12");
}

}  // namespace
}  // namespace gb
