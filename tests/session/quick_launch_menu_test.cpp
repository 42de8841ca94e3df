#include "session/quick_launch_menu.h"

#include "formats/bytes.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <future>

#include "session/run.h"
#include "tests/support/scripted_host.h"
#include "tests/support/temp_dir.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

TEST(QuickLaunchMenu, ItemTextsByDisplayMode) {
    test::TestContext t(false);
    QuickLaunch q;
    ASSERT_TRUE(ParseQuickLaunchList("GridbloomQuickLaunch0.3\nGlider\nsub\\dir\\glider.rle\n", q));
    auto item = UpdateQuickLaunchItem(t.ctx, q, 1);
    EXPECT_TRUE(item.enabled);
    EXPECT_EQ(item.text, "Glider\t");
    q.displayMode = QuickLaunchDisplayMode::FileName;
    EXPECT_EQ(UpdateQuickLaunchItem(t.ctx, q, 1).text, "Glider\t(glider.rle)");
    q.displayMode = QuickLaunchDisplayMode::FullPath;
    EXPECT_EQ(UpdateQuickLaunchItem(t.ctx, q, 1).text, "Glider\t(sub\\dir\\glider.rle)");
    item = UpdateQuickLaunchItem(t.ctx, q, 2);
    EXPECT_FALSE(item.enabled);
    EXPECT_EQ(item.text, "- クイック起動 2 -");
    t.ctx.shell.currentQuickLaunchItem = 2;
    EXPECT_TRUE(UpdateQuickLaunchItem(t.ctx, q, 2).checked);
    EXPECT_FALSE(UpdateQuickLaunchItem(t.ctx, q, 1).checked);
}

TEST(QuickLaunchMenu, LongItemTextsAreCutAfterAWholeCharacter) {
    test::TestContext t(false);
    std::string utf8 = "a", sjis = "ab";
    for (int i = 0; i < 400; ++i) utf8 += "あ";
    for (int i = 0; i < 500; ++i) sjis += "\x82\xa0";  // "あ" in Shift-JIS
    QuickLaunch q;
    ASSERT_TRUE(ParseQuickLaunchList(
        "GridbloomQuickLaunch0.3\n" + utf8 + "\nu.rle\n" + sjis + "\ns.rle\n", q));
    // 1 + 332 × 3 = 997 bytes: a 333rd "あ" would end at byte 1000.
    const std::string cutUtf8 = UpdateQuickLaunchItem(t.ctx, q, 1).text;
    EXPECT_EQ(cutUtf8, utf8.substr(0, 997));
    EXPECT_TRUE(IsValidUtf8(cutUtf8));
    // 2 + 498 × 2 = 998 bytes in Shift-JIS.
    EXPECT_EQ(UpdateQuickLaunchItem(t.ctx, q, 2).text, sjis.substr(0, 998));
    // Texts that fit keep their tab and suffix; one ASCII text is cut at exactly 999 bytes.
    q.entries[1].title = std::string(990, 'x');
    q.displayMode = QuickLaunchDisplayMode::FullPath;
    EXPECT_EQ(UpdateQuickLaunchItem(t.ctx, q, 1).text, std::string(990, 'x') + "\t(u.rle)");
    q.entries[1].title = std::string(995, 'x');
    EXPECT_EQ(UpdateQuickLaunchItem(t.ctx, q, 1).text, std::string(995, 'x') + "\t(u.");
}

struct QuickLaunchFiles : ::testing::Test, test::TempDir {
    test::TestContext t{false};
    fs::path before = fs::current_path();
    QuickLaunchFiles() : TempDir("gb-ql") { t.host.program = (dir / "gridbloom").string(); }
    void TearDown() override { fs::current_path(before); }
    void Write(const std::string& text) { TempDir::Write("quicklaunch.dat", text); }
};

TEST_F(QuickLaunchFiles, MissingAndWrongVersionFilesAreReported) {
    QuickLaunch q;
    fs::current_path(fs::temp_directory_path());
    ReadQuickLaunchFile(t.ctx, q);
    EXPECT_EQ(fs::current_path(), fs::canonical(dir));  // the program's directory became current
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(),
        {"クイック起動データファイルが見つかりません",
         "クイック起動データファイル\"quicklaunch.dat\"が見つかりません。", Icon::Exclamation}));
    Write("");
    ReadQuickLaunchFile(t.ctx, q);
    EXPECT_TRUE(test::Shows(
        t.host.lastBox(), {"クイック起動データファイルのバージョンが異なります。",
                           "クイック起動データファイルのバージョンが異なるので読み込めません。"}));
    EXPECT_EQ(q.quickLaunchCount, 0);
    Write("GridbloomQuickLaunch0.3\r\nA\r\na.rle\r\n");
    ReadQuickLaunchFile(t.ctx, q);
    EXPECT_EQ(q.quickLaunchCount, 1);
    EXPECT_EQ(t.host.boxes.size(), 2u);
}

// A folder or a FIFO in the list's place is a list that cannot be opened: the missing-list box
// at once, and nothing listed.
TEST_F(QuickLaunchFiles, AFolderOrAFifoIsAMissingList) {
    const auto readWithoutWaiting = [this](QuickLaunch& q) {
        auto done = std::async(std::launch::async, [&] { ReadQuickLaunchFile(t.ctx, q); });
        if (done.wait_for(std::chrono::seconds(20)) == std::future_status::ready) return done.get();
        // Stuck opening the FIFO: give it a writer so the test can end.
        const int fd = ::open((dir / "quicklaunch.dat").c_str(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) ::close(fd);
        done.wait();
        ADD_FAILURE() << "reading the list waited for a writer";
    };
    for (const bool fifo : {false, true}) {
        SCOPED_TRACE(fifo ? "fifo" : "folder");
        fs::remove_all(dir / "quicklaunch.dat");
        if (fifo)
            ASSERT_EQ(::mkfifo((dir / "quicklaunch.dat").c_str(), 0600), 0);
        else
            fs::create_directories(dir / "quicklaunch.dat" / "inside");
        t.host.boxes.clear();
        QuickLaunch q;
        q.quickLaunchCount = 0;
        EXPECT_NO_THROW(readWithoutWaiting(q));
        ASSERT_EQ(t.host.boxes.size(), 1u);
        EXPECT_EQ(t.host.lastBox().text,
                  "クイック起動データファイル\"quicklaunch.dat\"が見つかりません。");
        EXPECT_EQ(q.quickLaunchCount, 0);
        EXPECT_FALSE(UpdateQuickLaunchItem(t.ctx, q, 1).enabled);
    }
}

TEST_F(QuickLaunchFiles, OpeningChoosesTheReaderByExtensionAndStopsTheRun) {
    QuickLaunch q;
    ASSERT_TRUE(ParseQuickLaunchList(
        "GridbloomQuickLaunch0.3\nA\nGLIDER.LIF\nB\nsub\\g.Rle\nC\npic.text\nD\nnothing\n", q));
    std::vector<std::string> calls;
    PathOpeners open;
    open.life = [&](Context&, const std::string& p) {
        calls.push_back("life " + p);
        return 0;
    };
    open.text = [&](Context&, const std::string& p) {
        calls.push_back("text " + p);
        return 0;
    };
    open.rle = [&](Context&, const std::string& p) {
        calls.push_back("rle " + p);
        return 0;
    };
    StartRun(t.ctx);
    OpenQuickLaunchItem(t.ctx, q, 1, open);
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, 1);
    EXPECT_EQ(t.ctx.shell.documentPath, fs::canonical(dir).string() + "/GLIDER.LIF");
    OpenQuickLaunchItem(t.ctx, q, 2, open);
    OpenQuickLaunchItem(t.ctx, q, 3, open);
    EXPECT_EQ(t.host.repaints, 1);
    OpenQuickLaunchItem(t.ctx, q, 4, open);
    EXPECT_EQ(calls,
              (std::vector<std::string>{"life GLIDER.LIF", "rle sub/g.Rle", "text pic.text"}));
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, 4);  // the check mark moves all the same
    EXPECT_TRUE(t.host.boxes.empty());
    EXPECT_FALSE(t.ctx.run.running);
}

}  // namespace
}  // namespace gb
