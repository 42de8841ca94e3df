#include "session/input_numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

#include "session/format_number.h"

namespace gb {
namespace {

TEST(InputNumbers, LenientReadingTakesTheLeadingNumber) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, double> numbers[] = {{"3.7", 3.7},     {"  -12.5abc", -12.5},
                                                      {"+.5", 0.5},     {"7.", 7},
                                                      {"1e3x", 1000},   {"2e", 2},
                                                      {"2e+", 2},       {"1,200", 1},
                                                      {"", 0},          {".", 0},
                                                      {"abc", 0},       {"inf", 0},
                                                      {"0x10", 0},      {"1e999", inf},
                                                      {"-1e999", -inf}, {"0.0001e-999", 0},
                                                      {"1e-999", 0}};
    for (auto [text, value] : numbers) EXPECT_EQ(LeadingNumber(text), value) << text;

    const std::int64_t most = std::numeric_limits<std::int64_t>::max();
    const std::pair<const char*, std::int64_t> integers[] = {{"12.9", 12},
                                                             {" -3x", -3},
                                                             {"x3", 0},
                                                             {"99999999999999999999999", most},
                                                             {"-99999999999999999999999", -most}};
    for (auto [text, value] : integers) EXPECT_EQ(LeadingInteger(text), value) << text;
}

TEST(InputNumbers, StrictIntegersOnly) {
    const std::pair<const char*, int> good[] = {{"42", 42},
                                                {" -7 \t", -7},
                                                {"+0", 0},
                                                {" 42 ", 42},
                                                {"-4", -4},
                                                {"+7", 7},
                                                {"2147483647", 2147483647},
                                                {"-2147483648", std::numeric_limits<int>::min()}};
    for (auto [text, value] : good) EXPECT_EQ(ParseStrictInt(text), value) << text;
    for (const char* bad : {"", " ", "-", "3.7", "1.5", "1,200", "12a", "2147483648", "-2147483649",
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
    const std::pair<const char*, double> numbers[] = {
        {"12.9abc", 12}, {"  -3.7", -3}, {"abc", 0},   {"", 0},  {"-", 0},
        {"1e3", 1000},   {"2e", 2},      {"1,000", 1}, {".5", 0}};
    for (auto [text, value] : numbers) EXPECT_EQ(LenientNumber(text), value) << text;
}

TEST(InputNumbers, StrictExchangeAndItsPrompts) {
    // (The strict exchange itself is checked in StrictIntegersOnly.)
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
