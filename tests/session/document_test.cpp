#include "session/document.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "session/run.h"
#include "tests/formats/format_test_util.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace gb {
namespace {

namespace fs = std::filesystem;
using test::Cells;
using test::LiveCells;

struct DocumentFiles : ::testing::Test, test::TempDir {
    test::TestContext t;
    DocumentFiles() : TempDir("gb-doc") {}
};

const char kGliderPicture[] = ".*.\n..*\n***\n";
const Cells kGliderShape = {{1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}};

TEST_F(DocumentFiles, LoadingDispatchesByExtensionInLowerCase) {
    // ".LIF" is read by the Life reader, after the rule went back to "23/3".
    t.ctx.rule.ruleText = ApplyRule(t.ctx, "3/23");
    const std::string lif = Write("GLIDER.LIF", "#Life 1.05\r\n#P 0 0\r\n.*\r\n..*\r\n***\r\n");
    t.ctx.shell.documentPath = "old";
    t.ctx.shell.currentQuickLaunchItem = 0;
    StartRun(t.ctx);
    t.host.boxes.clear();
    EXPECT_TRUE(LoadDocument(t.ctx, lif));
    EXPECT_FALSE(t.ctx.run.running);
    EXPECT_EQ(test::Shape(LiveCells(t.ctx.field)), kGliderShape);
    EXPECT_EQ(t.ctx.rule.ruleText, "23/3");
    EXPECT_EQ(t.host.lastTitle(), "GLIDER.LIF - Gridbloom");
    EXPECT_EQ(t.ctx.shell.documentPath, "");  // emptied: the pattern did not come from quick launch
    EXPECT_EQ(t.ctx.run.busy, 0);
    EXPECT_EQ(t.host.pointers.back(), Pointer::Arrow);

    // A ".lif" that is really RLE is read as RLE; a quick-launch path stays, the item goes.
    const std::string rleInLif = Write("r.lif", "x = 3, y = 3\nbo$2bo$3o!\n");
    t.ctx.shell.documentPath = "/q/gun.rle";
    t.ctx.shell.currentQuickLaunchItem = 3;
    EXPECT_TRUE(LoadDocument(t.ctx, rleInLif));
    EXPECT_EQ(test::Shape(LiveCells(t.ctx.field)), kGliderShape);
    EXPECT_EQ(t.ctx.shell.documentPath, "/q/gun.rle");
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, 0);

    // ".text" is not a text file to the Open command: the RLE reader refuses the picture.
    const std::string text = Write("glider.text", kGliderPicture);
    t.host.boxes.clear();
    EXPECT_TRUE(LoadDocument(t.ctx, text));
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.boxes[0].caption, "サポートしていないファイル形式です。");
    // Dropped, the same file is a picture.
    t.ctx.field.setCell(3, 3, 1);
    DropPatternFile(t.ctx, text);
    EXPECT_EQ(test::Shape(LiveCells(t.ctx.field)), kGliderShape);
    EXPECT_EQ(t.ctx.shell.documentPath, text);
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, -1);
    EXPECT_EQ(t.host.boxes.size(), 1u);
}

TEST_F(DocumentFiles, AFileThatCannotBeReadChangesNothing) {
    t.ctx.field.setCell(4, 4, 1);
    t.ctx.shell.documentPath = "kept";
    t.ctx.shell.currentQuickLaunchItem = 0;
    const std::string missing = (dir / "missing.rle").string();
    EXPECT_FALSE(LoadDocument(t.ctx, missing));
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.boxes[0], {"ファイルが見つかりません。",
                                              "ファイル\"" + missing + "\"が見つかりません。"}));
    EXPECT_EQ(LiveCells(t.ctx.field), (Cells{{4, 4}}));
    EXPECT_EQ(t.ctx.shell.documentPath, "kept");
    EXPECT_EQ(t.ctx.run.busy, 0);
    EXPECT_FALSE(LoadDocument(t.ctx, dir.string()));  // a directory is no file
}

TEST_F(DocumentFiles, SavingByExtension) {
    test::PlacePicture(t.ctx, 100, 100, {".*.", "..*", "***"});
    t.ctx.shell.currentQuickLaunchItem = 4;

    // No extension: the warning, then RLE under exactly that name, and nothing else beside it.
    const std::string plain = (dir / "pattern").string();
    ASSERT_TRUE(StoreDocument(t.ctx, plain, nullptr));
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.boxes[0], {"認識できない拡張子です。",
                                              "RLE形式として保存します。", Icon::Exclamation}));
    EXPECT_EQ(test::ReadBytes(plain), "x = 3, y = 3, rule = B3/S23\r\nbo$2bo$3o!\r\n");
    EXPECT_EQ(Names(), std::vector<std::string>{"pattern"});
    EXPECT_EQ(t.ctx.shell.documentPath, plain);
    EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, 4);  // a save leaves the item alone

    // An unknown extension is kept too.
    ASSERT_TRUE(StoreDocument(t.ctx, (dir / "p.cells").string(), nullptr));
    EXPECT_EQ(test::ReadBytes(dir / "p.cells"), test::ReadBytes(plain));

    // ".TXT" and ".lif" by their writers; the format is asked only for ".lif".
    int asked = 0;
    const auto ask = [&] {
        ++asked;
        return LifeFormat::Life106;
    };
    t.host.boxes.clear();
    ASSERT_TRUE(StoreDocument(t.ctx, (dir / "p.TXT").string(), ask));
    EXPECT_EQ(test::ReadBytes(dir / "p.TXT"), ".*\r\n..*\r\n***\r\n");
    EXPECT_EQ(asked, 0);
    ASSERT_TRUE(StoreDocument(t.ctx, (dir / "p.lif").string(), ask));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(test::ReadBytes(dir / "p.lif").rfind("#Life 1.06", 0), 0u);
    EXPECT_TRUE(t.host.boxes.empty());

    // Saving over a file replaces it whole and keeps its permissions.
    const std::string old = Write("old.rle", std::string(5000, 'z'));
    fs::permissions(old, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(StoreDocument(t.ctx, old, nullptr));
    EXPECT_EQ(test::ReadBytes(old), test::ReadBytes(plain));
    EXPECT_EQ(fs::status(old).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

// Runs a save in a child process that cannot complete it (prepare makes it fail), and returns
// the child's exit status: 0 when StoreDocument reported failure with the box.
template <typename Prepare>
int FailingSaveInChild(test::TestContext& t, const std::string& path, Prepare prepare) {
    return test::InChild([&] {
        prepare();
        const bool ok = StoreDocument(t.ctx, path, nullptr);
        const bool boxed =
            !t.host.boxes.empty() && t.host.lastBox().caption == "保存できません。" &&
            t.host.lastBox().text.find("元のファイルは変更されていません。") != std::string::npos;
        return !ok && boxed && t.ctx.shell.documentPath != path ? 0 : 1;
    });
}

TEST_F(DocumentFiles, AFailedSaveLeavesTheOldFileByteForByte) {
    test::PlacePicture(t.ctx, 10, 10, {"*.*.*.*.*.*.*", ".*.*.*.*.*.*.", "*.*.*.*.*.*.*"});
    std::string original = "#N precious\r\n";
    for (int i = 0; i < 256; ++i) original += static_cast<char>(i);
    const std::string target = Write("keep.rle", original);

    // The disk fills up in the middle of the write (a file size limit stands in for it).
    EXPECT_EQ(FailingSaveInChild(t, target,
                                 [] {
                                     std::signal(SIGXFSZ, SIG_IGN);
                                     rlimit limit{16, 16};
                                     ::setrlimit(RLIMIT_FSIZE, &limit);
                                 }),
              0);
    EXPECT_EQ(test::ReadBytes(target), original);
    EXPECT_EQ(Names(), std::vector<std::string>{"keep.rle"});  // no temporary file left over

    // A directory without write permission and a file the user may not write either (as an
    // unprivileged user when run as root); a writable file there is written in place.
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                             fs::perms::group_exec | fs::perms::others_read |
                             fs::perms::others_exec);
    EXPECT_EQ(FailingSaveInChild(t, target,
                                 [] {
                                     if (::geteuid() == 0 && ::setuid(65534) != 0) ::_exit(2);
                                 }),
              0);
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(test::ReadBytes(target), original);
    EXPECT_EQ(Names(), std::vector<std::string>{"keep.rle"});

    // A directory that does not exist.
    t.host.boxes.clear();
    EXPECT_FALSE(StoreDocument(t.ctx, (dir / "no" / "such.rle").string(), nullptr));
    EXPECT_EQ(t.host.lastBox().caption, "保存できません。");

    // A writer that has nothing to write (an empty Field as text) keeps the old file as well.
    ClearCells(t.ctx.field);
    const std::string text = Write("keep.txt", original);
    EXPECT_FALSE(StoreDocument(t.ctx, text, nullptr));
    EXPECT_EQ(test::ReadBytes(text), original);
}

TEST(ProposedName, QuickLaunchDropNewAndTheToolkit) {
    test::TestContext t(false);
    EXPECT_EQ(ProposedSaveName(t.ctx, "/d/opened.rle"), "/d/opened.rle");
    t.ctx.shell.documentPath = "/d/dropped.lif";
    t.ctx.shell.currentQuickLaunchItem = -1;
    EXPECT_EQ(ProposedSaveName(t.ctx, "/d/opened.rle"), "/d/dropped.lif");
    t.ctx.shell.currentQuickLaunchItem = 7;
    t.ctx.shell.documentPath = "/prog/patterns/gun.rle";
    EXPECT_EQ(ProposedSaveName(t.ctx, "x"), "/prog/patterns/gun.rle");
    t.ctx.shell.currentQuickLaunchItem = 0;
    t.ctx.shell.documentPath = "新規";
    EXPECT_EQ(ProposedSaveName(t.ctx, "/d/opened.rle"), "新規");
}

}  // namespace
}  // namespace gb
