#include "session/input_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "session/format_number.h"

namespace gb {
namespace {

TEST(InputNumbers, LenientReadingTakesTheLeadingNumber) {
    EXPECT_EQ(LeadingNumber("3.7"), 3.7);
    EXPECT_EQ(LeadingNumber("  -12.5abc"), -12.5);
    EXPECT_EQ(LeadingNumber("+.5"), 0.5);
    EXPECT_EQ(LeadingNumber("7."), 7);
    EXPECT_EQ(LeadingNumber("1e3x"), 1000);
    EXPECT_EQ(LeadingNumber("2e"), 2);
    EXPECT_EQ(LeadingNumber("2e+"), 2);
    EXPECT_EQ(LeadingNumber("1,200"), 1);
    EXPECT_EQ(LeadingNumber(""), 0);
    EXPECT_EQ(LeadingNumber("."), 0);
    EXPECT_EQ(LeadingNumber("abc"), 0);
    EXPECT_EQ(LeadingNumber("inf"), 0);
    EXPECT_EQ(LeadingNumber("0x10"), 0);
    EXPECT_EQ(LeadingNumber("1e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("-1e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("0.0001e-999"), 0);
    EXPECT_EQ(LeadingNumber("1e-999"), 0);

    EXPECT_EQ(LeadingInteger("12.9"), 12);
    EXPECT_EQ(LeadingInteger(" -3x"), -3);
    EXPECT_EQ(LeadingInteger("x3"), 0);
    EXPECT_EQ(LeadingInteger("99999999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(LeadingInteger("-99999999999999999999999"), -std::numeric_limits<std::int64_t>::max());
}

TEST(InputNumbers, StrictIntegersOnly) {
    EXPECT_EQ(ParseStrictInt("42"), 42);
    EXPECT_EQ(ParseStrictInt(" -7 \t"), -7);
    EXPECT_EQ(ParseStrictInt("+0"), 0);
    EXPECT_EQ(ParseStrictInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseStrictInt("-2147483648"), std::numeric_limits<int>::min());
    for (const char* bad : {"", " ", "-", "3.7", "1,200", "12a", "2147483648", "-2147483649",
                            "99999999999999999999", "1 2", "０"})
        EXPECT_EQ(ParseStrictInt(bad), std::nullopt) << bad;
}

TEST(FormatNumber, ThousandsAndExponent) {
    EXPECT_EQ(FormatThousands(0.0), "0");
    EXPECT_EQ(FormatThousands(999.0), "999");
    EXPECT_EQ(FormatThousands(1000.0), "1,000");
    EXPECT_EQ(FormatThousands(1444804.0), "1,444,804");
    EXPECT_EQ(FormatThousands(-1234.6), "-1,235");
    EXPECT_EQ(FormatThousands(std::int64_t{-1000000}), "-1,000,000");
    EXPECT_EQ(FormatThousands(123456), "123,456");
    EXPECT_EQ(FormatThousands(std::numeric_limits<std::int64_t>::min()),
              "-9,223,372,036,854,775,808");
    EXPECT_EQ(FormatExponent3(1440000), "1.440000e+006");
    EXPECT_EQ(FormatExponent3(-0.00125), "-1.250000e-003");
    EXPECT_EQ(FormatExponent3(1e-300), "1.000000e-300");
    EXPECT_EQ(FormatExponent3(std::numeric_limits<double>::infinity()), "inf");
}


TEST(InputNumbers, LenientReadingTakesTheLeadingNumberTruncated) {
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

TEST(InputNumbers, StrictExchangeAndItsPrompts) {
    EXPECT_EQ(ParseStrictInt(" 42 "), 42);
    EXPECT_EQ(ParseStrictInt("-4"), -4);
    EXPECT_EQ(ParseStrictInt("+7"), 7);
    EXPECT_EQ(ParseStrictInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseStrictInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseStrictInt("2147483648"), std::nullopt);
    EXPECT_EQ(ParseStrictInt("99999999999999999999"), std::nullopt);
    EXPECT_EQ(ParseStrictInt("12a"), std::nullopt);
    EXPECT_EQ(ParseStrictInt("1.5"), std::nullopt);
    EXPECT_EQ(ParseStrictInt(""), std::nullopt);
    EXPECT_EQ(ParseStrictInt("-"), std::nullopt);

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
