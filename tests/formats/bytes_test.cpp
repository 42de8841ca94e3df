#include "formats/bytes.h"

#include <gtest/gtest.h>

namespace gb {
namespace {

TEST(Bytes, ScanIntegerLikePercentD) {
    std::size_t pos = 0;
    Wide v = 7;
    EXPECT_TRUE(ScanInteger("  -42 9", pos, v));
    EXPECT_EQ(static_cast<long long>(v), -42);
    EXPECT_EQ(pos, 5u);
    EXPECT_TRUE(ScanInteger("  -42 9", pos, v));
    EXPECT_EQ(static_cast<long long>(v), 9);
    pos = 0;
    v = 7;
    EXPECT_FALSE(ScanInteger(" - 4", pos, v));
    EXPECT_FALSE(ScanInteger("", pos, v));
    EXPECT_EQ(static_cast<long long>(v), 7);
    EXPECT_EQ(pos, 0u);
    // Far beyond 64 bits: held at the limit, with its sign.
    EXPECT_TRUE(ScanInteger(std::string(200, '9'), pos, v));
    EXPECT_TRUE(v == kFar);
    pos = 0;
    EXPECT_TRUE(ScanInteger("-" + std::string(200, '9'), pos, v));
    EXPECT_TRUE(v == -kFar);
}

TEST(Bytes, LineReaderPiecesAndTextMode) {
    const std::string text = TextModeBytes("ab\r\ncd\r\re\n\r\n");
    EXPECT_EQ(text, "ab\ncd\r\re\n\n");
    LineReader lines(text, 4);  // pieces of at most 3 bytes
    EXPECT_EQ(lines.next(), "ab\n");
    EXPECT_EQ(lines.next(), "cd\r");
    EXPECT_EQ(lines.next(), "\re\n");
    EXPECT_EQ(lines.next(), "\n");
    EXPECT_TRUE(lines.atEnd());
    const std::string withNul("a\0b\nc", 5);
    LineReader nul(withNul, 100);
    EXPECT_EQ(nul.next(), "a");
    EXPECT_EQ(nul.next(), "c");
}

TEST(Bytes, EncodingsForShowing) {
    EXPECT_TRUE(IsValidUtf8("グライダー"));
    EXPECT_FALSE(IsValidUtf8("\x83\x4f"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_EQ(DisplayText("\x90\xb6\x95\xa8"), "生物");
    EXPECT_EQ(DisplayText("生物"), "生物");
    EXPECT_EQ(DisplayText("a\x80z"), "a\xEF\xBF\xBDz");  // 0x80 is no CP932 character
    // Cuts fall on character boundaries in either encoding.
    EXPECT_EQ(CutAtCharacter("あいう", 7), "あい");
    EXPECT_EQ(CutAtCharacter("a\x82\xa0\x82\xa2", 4), "a\x82\xa0");
    EXPECT_EQ(CutAtCharacter("abc", 800), "abc");
}

TEST(Bytes, PictureReplacements) {
    EXPECT_EQ(ReplacePictureCharacters("□■O.*x", SquareEncoding::Utf8), ".**.*x");
    EXPECT_EQ(ReplacePictureCharacters("\x81\xa0\x81\xa1O\x83O", SquareEncoding::ShiftJis),
              ".**\x83O");
    EXPECT_EQ(SquareEncodingOf("\x81\xa1"), SquareEncoding::ShiftJis);
    EXPECT_EQ(SquareEncodingOf("■"), SquareEncoding::Utf8);
}

}  // namespace
}  // namespace gb
