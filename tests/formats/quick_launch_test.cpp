#include "formats/quick_launch.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temp_dir.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

TEST(QuickLaunchList, MagicLineRules) {
    QuickLaunch q;
    EXPECT_TRUE(ParseQuickLaunchList("GridbloomQuickLaunch0.3", q));
    EXPECT_TRUE(ParseQuickLaunchList("GridbloomQuickLaunch0.1 \t\r\n", q));
    EXPECT_TRUE(ParseQuickLaunchList("GridbloomQuickLaunch0.2\r\nA\r\nb.rle\r\n", q));
    EXPECT_EQ(q.quickLaunchCount, 1);
    EXPECT_FALSE(ParseQuickLaunchList(" GridbloomQuickLaunch0.3\n", q));
    EXPECT_FALSE(ParseQuickLaunchList("gridbloomquicklaunch0.3\n", q));
    EXPECT_FALSE(ParseQuickLaunchList("GridbloomQuickLaunch0.4\n", q));
    EXPECT_FALSE(ParseQuickLaunchList("", q));
    EXPECT_EQ(q.quickLaunchCount, 0);
}

TEST(QuickLaunchList, PairsBlankLinesAndTrimming) {
    QuickLaunch q;
    const std::string list =
        "GridbloomQuickLaunch0.3\n\n"
        "  Glider  \n\x81\x40\x81\x40\n\xE3\x80\x80\n   \n"
        "sub\\dir\\glider.rle  \r\n"
        "Title\x81\x40\n\nGUN.LIF\n"
        "Orphan title";
    ASSERT_TRUE(ParseQuickLaunchList(list, q));
    EXPECT_EQ(q.quickLaunchCount, 2);
    EXPECT_EQ(q.entries[1].title, "  Glider");  // leading blanks stay, trailing ASCII ones go
    EXPECT_EQ(q.entries[1].path, "sub\\dir\\glider.rle");
    EXPECT_EQ(q.entries[2].title, "Title\x81\x40");  // trailing ideographic space stays
    EXPECT_EQ(q.entries[2].path, "GUN.LIF");
}

TEST(QuickLaunchList, AtMostFiftyAndLongLinesInPieces) {
    std::string list = "GridbloomQuickLaunch0.3\n";
    for (int i = 1; i <= 55; ++i)
        list += "T" + std::to_string(i) + "\np" + std::to_string(i) + ".rle\n";
    QuickLaunch q;
    ASSERT_TRUE(ParseQuickLaunchList(list, q));
    EXPECT_EQ(q.quickLaunchCount, 50);
    EXPECT_EQ(q.entries[50].title, "T50");
    // A 12,000-byte line is a 9,999-byte title and the rest is its path.
    ASSERT_TRUE(
        ParseQuickLaunchList("GridbloomQuickLaunch0.3\n" + std::string(12000, 'x') + "\n", q));
    EXPECT_EQ(q.quickLaunchCount, 1);
    EXPECT_EQ(q.entries[1].title.size(), 9999u);
    EXPECT_EQ(q.entries[1].path.size(), 2001u);
}

// The list file: read when it is a regular file, missing otherwise (the list kept as it was),
// of another version when its magic line is wrong (nothing listed).
TEST(QuickLaunchList, ReadingTheFile) {
    const test::TempDir tmp("gb-qlf");
    const fs::path& dir = tmp.dir;
    fs::create_directories(dir / "folder.dat");
    const std::string path = (dir / "quicklaunch.dat").string();
    QuickLaunch q;
    EXPECT_EQ(ReadQuickLaunchList(path, q), QuickLaunchListRead::Missing);
    std::ofstream(path, std::ios::binary) << "GridbloomQuickLaunch0.3\r\nA\r\nsub\\a.rle\r\n";
    EXPECT_EQ(ReadQuickLaunchList(path, q), QuickLaunchListRead::Read);
    EXPECT_EQ(q.quickLaunchCount, 1);
    EXPECT_EQ(QuickLaunchLocalPath(q.entries[1].path), "sub/a.rle");
    EXPECT_EQ(ReadQuickLaunchList((dir / "folder.dat").string(), q), QuickLaunchListRead::Missing);
    EXPECT_EQ(q.quickLaunchCount, 1);
    std::ofstream(path, std::ios::binary) << "GridbloomQuickLaunch0.4\r\nA\r\na.rle\r\n";
    EXPECT_EQ(ReadQuickLaunchList(path, q), QuickLaunchListRead::OtherVersion);
    EXPECT_EQ(q.quickLaunchCount, 0);
}

}  // namespace
}  // namespace gb
