// Saving a pattern in each of the writers' formats and opening the file again in a Field of the
// same size gives back the same cells: nothing may slide onto the border.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "engine/rule.h"
#include "tests/formats/format_test_util.h"

namespace gb {
namespace {

using test::Cells;
using test::LiveCells;

struct Writer {
    const char* name;
    const char* path;  // the extension chooses the reader
    std::string (*write)(const Field&, const std::string& rule);
};
const Writer kWriters[] = {
    {"Life 1.05", "p.lif",
     [](const Field& f, const std::string& rule) {
         return WriteLifeFile(f, rule, LifeFormat::Life105).bytes;
     }},
    {"Life 1.06", "p.lif",
     [](const Field& f, const std::string& rule) {
         return WriteLifeFile(f, rule, LifeFormat::Life106).bytes;
     }},
    {"text", "p.txt",
     [](const Field& f, const std::string& rule) { return WriteTextFile(f, rule).bytes; }},
};

// Random cells over the box, with its four corners live so the extent is the whole box.
Cells FillBox(Context& ctx, int left, int top, int right, int bottom, unsigned seed) {
    Field& f = ctx.field;
    std::mt19937 rng(seed);
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            if (rng() % 3 == 0) f.setCell(x, y, 1);
    for (int x : {left, right})
        for (int y : {top, bottom}) f.setCell(x, y, 1);
    test::CountPopulation(ctx);
    return LiveCells(f);
}

// Writes the Field with the given writer and rule and reads the file into a fresh Field of the
// same size; the cells read back.
Cells RoundTrip(const Writer& w, Context& from, const std::string& rule) {
    const std::string file = w.write(from.field, rule);
    test::TestContext back;
    if (!SetUpField(back.ctx, from.field.fieldWidth, from.field.fieldHeight)) return {};
    EXPECT_EQ(test::ReadByExtension(back.ctx, file, w.path), 0);
    EXPECT_EQ(back.ctx.rule.ruleText, rule);
    return LiveCells(back.ctx.field);
}

TEST(RoundTrip, APatternFillingTheInteriorComesBackInPlace) {
    const std::pair<int, int> sizes[] = {{64, 64}, {63, 65}, {8, 5}, {7, 6},
                                         {2, 2},   {1, 1},   {1, 4}};
    for (const Writer& w : kWriters) {
        for (const char* rule : {"23/3", "23/36"}) {
            for (auto [width, height] : sizes) {
                SCOPED_TRACE(testing::Message()
                             << w.name << " " << rule << " " << width << "x" << height);
                test::TestContext t;
                ASSERT_TRUE(SetUpField(t.ctx, width, height));
                const Cells cells = FillBox(t.ctx, 1, 1, width, height, width * 7 + height);
                EXPECT_EQ(RoundTrip(w, t.ctx, rule), cells);
            }
        }
    }
}

TEST(RoundTrip, TheWritersKeepTheirFormatsForSmallPatterns) {
    // An even-width pattern in Life 1.06 counts from the cell right of its middle.
    test::TestContext t;
    test::PlacePicture(t.ctx, 10, 20, {"*..*", "*"});
    EXPECT_EQ(WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life106).bytes,
              "#Life 1.06\r\n#N\r\n-2 -1\r\n1 -1\r\n-2 0\r\n");
    // A rule line in a text picture is balanced by two dead rows after the picture.
    t.ctx.rule.ruleText = "23/36";
    EXPECT_EQ(WriteTextFile(t.ctx.field, t.ctx.rule.ruleText).bytes,
              "#R 23/36\r\n*..*\r\n*\r\n.\r\n.\r\n");
}

// Readers take a line in pieces (9,999 bytes for Life 1.05, 10,000 for a picture, line feed
// included): Life 1.05 rows wider than a piece go into blocks side by side, and a picture that
// no line could hold is refused rather than written to read back cut and moved.
TEST(RoundTrip, WidePatternsComeBackInPlaceOrAreRefused) {
    const Writer& life105 = kWriters[0];
    const Writer& text = kWriters[2];
    for (int width : {9997, 9998, 9999, 10000, 10001, 12000, 19996, 19997, 100000}) {
        SCOPED_TRACE(width);
        test::TestContext t;
        ASSERT_TRUE(SetUpField(t.ctx, width, 3));
        const Cells cells = FillBox(t.ctx, 1, 1, width, 3, static_cast<unsigned>(width));
        // Compared as a whole, not printed: a difference would be thousands of cells long.
        EXPECT_TRUE(RoundTrip(life105, t.ctx, "23/3") == cells);
        if (width <= 9999) {
            EXPECT_TRUE(RoundTrip(text, t.ctx, "23/36") == cells);
            continue;
        }
        const WriteResult refused = WriteTextFile(t.ctx.field, kDefaultRule);
        EXPECT_EQ(refused.bytes.size(), 0u);
        EXPECT_EQ(refused.refusal, WriteRefusal::TooWideForText);
        EXPECT_EQ(refused.patternWidth, width);
    }
    // Blocks hold only the rows between their first and last live cell; a block without any is
    // left out.
    test::TestContext t;
    ASSERT_TRUE(SetUpField(t.ctx, 30000, 10));
    t.ctx.field.setCell(1, 1, 1);
    t.ctx.field.setCell(25000, 5, 1);
    t.ctx.field.setCell(25001, 7, 1);
    test::CountPopulation(t.ctx);
    const std::string file =
        WriteLifeFile(t.ctx.field, t.ctx.rule.ruleText, LifeFormat::Life105).bytes;
    EXPECT_EQ(file.substr(0, file.find("\r\n.")),
              "#Life 1.05\r\n#N\r\n#P -12500 -3\r\n*\r\n#P 7496 1");
    // Life 1.05 centres what it writes; the cells keep their places relative to each other.
    EXPECT_EQ(test::Shape(RoundTrip(life105, t.ctx, "23/3")), test::Shape(LiveCells(t.ctx.field)));
}

TEST(RoundTrip, SharedCorpusPatternLargerThanTheField) {
    const std::filesystem::path path =
        std::filesystem::path(test::SharedPatterns()) / "Turing-Machine-3-state.rle";
    if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " absent";
    test::TestContext t;
    ASSERT_EQ(ReadRleFile(t.ctx, test::ReadBytes(path), path.string()), 0);
    test::CountPopulation(t.ctx);
    const Cells cells = LiveCells(t.ctx.field);
    ASSERT_EQ(cells.size(), 22324u);  // cut to the 1200 × 1200 interior
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        EXPECT_EQ(RoundTrip(w, t.ctx, "23/3"), cells);
        EXPECT_EQ(RoundTrip(w, t.ctx, "23/36"), cells);
    }
}

}  // namespace
}  // namespace gb
