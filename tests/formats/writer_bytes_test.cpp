// The bytes each writer gives for small pictures: header, rule line, rows or coordinates, line
// ends. One row of the table a picture, a rule and a format.
#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

enum class Format { Rle, Life105, Life106, Text };

std::string Write(Format format, const Field& f, const std::string& rule) {
    switch (format) {
        case Format::Rle: return WriteRleFile(f, rule);
        case Format::Life105: return WriteLifeFile(f, rule, LifeFormat::Life105).bytes;
        case Format::Life106: return WriteLifeFile(f, rule, LifeFormat::Life106).bytes;
        case Format::Text: return WriteTextFile(f, rule).bytes;
    }
    return {};
}

struct Row {
    const char* name;
    int left, top;
    test::Picture picture;
    const char* rule;
    Format format;
    std::string bytes;
    bool prefixOnly = false;  // only the file's first bytes.size() bytes are checked
};

void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

const test::Picture kGlider = {".*", "..*", "***"};

const Row kRows[] = {
    {"RleGlider", 40, 50, kGlider, "23/3", Format::Rle,
     "x = 3, y = 3, rule = B3/S23\r\nbo$2bo$3o!\r\n"},
    {"RleGliderWithItsRule", 40, 50, kGlider, "23/36", Format::Rle,
     "x = 3, y = 3, rule = B36/S23\r\nbo$2bo$3o!\r\n"},
    {"RleEmptyRowsAreOneCountedRowEnd", 10, 10, {"*", "", "", "**"}, "23/3", Format::Rle,
     "x = 2, y = 4, rule = B3/S23\r\no3$2o!\r\n"},
    {"Life105Glider", 100, 200, kGlider, "23/3", Format::Life105,
     "#Life 1.05\r\n#N\r\n#P -1 -1\r\n.*\r\n..*\r\n***\r\n"},
    {"Life106Glider", 100, 200, kGlider, "23/3", Format::Life106,
     "#Life 1.06\r\n#N\r\n0 -1\r\n1 0\r\n-1 1\r\n0 1\r\n1 1\r\n"},
    {"Life106OtherRuleIsARuleLine", 100, 200, kGlider, "3/23", Format::Life106,
     "#Life 1.06\r\n#R 3/23\r\n", true},
    {"Life105EmptyRowIsADotAndTheBlockIsHalfTheSize", 10, 10, {"*...*", "", "..*"}, "23/3",
     Format::Life105, "#Life 1.05\r\n#N\r\n#P -2 -1\r\n*...*\r\n.\r\n..*\r\n"},
    // An even-width pattern in Life 1.06 counts from the cell right of its middle.
    {"Life106EvenWidthCountsFromRightOfTheMiddle", 10, 20, {"*..*", "*"}, "23/3",
     Format::Life106, "#Life 1.06\r\n#N\r\n-2 -1\r\n1 -1\r\n-2 0\r\n"},
    {"TextOneCell", 20, 20, {"*"}, "23/3", Format::Text, "*\r\n"},
    {"TextColumn", 20, 20, {"*", "*", "*"}, "23/3", Format::Text, "*\r\n*\r\n*\r\n"},
    {"TextRuleLineAndEmptyRows", 20, 20, {"*..*", "", ".*"}, "23/36", Format::Text,
     "#R 23/36\r\n*..*\r\n.\r\n.*\r\n.\r\n.\r\n"},
    // A rule line in a text picture is balanced by two dead rows after the picture.
    {"TextRuleLineIsBalancedByTwoDeadRows", 10, 20, {"*..*", "*"}, "23/36", Format::Text,
     "#R 23/36\r\n*..*\r\n*\r\n.\r\n.\r\n"},
};

struct WriterBytes : ::testing::TestWithParam<Row> {};

TEST_P(WriterBytes, OfASmallPicture) {
    const Row& row = GetParam();
    test::TestContext t;
    test::PlacePicture(t.ctx, row.left, row.top, row.picture);
    t.ctx.rule.ruleText = row.rule;
    const std::string file = Write(row.format, t.ctx.field, t.ctx.rule.ruleText);
    EXPECT_EQ(row.prefixOnly ? file.substr(0, row.bytes.size()) : file, row.bytes);
}

INSTANTIATE_TEST_SUITE_P(Formats, WriterBytes, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace gb
