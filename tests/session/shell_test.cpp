#include "session/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(PathHelpers, Extension) {
    const std::pair<const char*, const char*> extensions[] = {{"C:\\pat\\GLIDER.LIF", ".lif"},
                                                              {"/home/u/glider.Rle", ".rle"},
                                                              {"C:\\pat.d\\glider", ".d\\glider"},
                                                              {"/srv/pat.d/glider", ".d/glider"},
                                                              {"glider", "glider"},
                                                              {"", ""},
                                                              {"パターン.TXT", ".txt"}};
    for (auto [path, extension] : extensions) EXPECT_EQ(ExtensionOf(path), extension) << path;
}

TEST(PathHelpers, StripDirectoryAndName) {
    EXPECT_EQ(StripExtension("dir/glider.rle"), "dir/glider");
    EXPECT_EQ(StripExtension("a.b.c"), "a.b");
    EXPECT_EQ(StripExtension("noext"), "noext");
    EXPECT_EQ(DirectoryOf("C:\\pat\\glider.lif"), "C:\\pat");
    EXPECT_EQ(DirectoryOf("/usr/share/gridbloom/glider.rle"), "/usr/share/gridbloom");
    EXPECT_EQ(DirectoryOf("glider.rle"), "glider.rle");
    const std::pair<const char*, const char*> names[] = {{"C:\\pat\\glider.lif", "glider.lif"},
                                                         {"samples/sub\\glider.rle", "glider.rle"},
                                                         {"glider.rle", "glider.rle"},
                                                         {"dir/", ""}};
    for (auto [path, name] : names) EXPECT_EQ(FileNameOf(path), name) << path;
}

TEST(MessageBoxes, CaptionIsUsedForOneBoxOnly) {
    test::TestContext t(false);
    t.ctx.shell.messageCaption = "一度だけ";
    AppMessageBox(t.ctx, "first", Icon::Information);
    AppMessageBox(t.ctx, "second", Icon::None, Buttons::YesNo, Button::No);
    ASSERT_EQ(t.host.boxes.size(), 2u);
    EXPECT_EQ(t.host.boxes[0].caption, "一度だけ");
    EXPECT_EQ(t.host.boxes[0].icon, Icon::Information);
    EXPECT_EQ(t.host.boxes[1].caption, "Gridbloom");
    EXPECT_EQ(t.host.boxes[1].defaultButton, Button::No);
    // A window's own box leaves the pending caption alone.
    t.ctx.shell.messageCaption = "later";
    ViewMessageBox(t.ctx, "own", "text", Icon::Exclamation);
    EXPECT_EQ(t.host.lastBox().caption, "own");
    EXPECT_EQ(t.ctx.shell.messageCaption, "later");
}

TEST(MessageBoxes, AnswersComeFromTheScript) {
    test::TestContext t(false);
    t.host.answers.push_back(Button::No);
    EXPECT_EQ(AppMessageBox(t.ctx, "q", Icon::Question, Buttons::YesNo), Button::No);
    EXPECT_EQ(AppMessageBox(t.ctx, "q", Icon::Question, Buttons::YesNo), Button::Yes);
}

TEST(MessageBoxes, LineEndsBecomePlainBreaks) {
    EXPECT_EQ(DisplayLines("a\r\nb\n\rc\nd\re"), "a\nb\nc\nd\ne");
    EXPECT_EQ(DisplayLines("a\r\n\r\nb"), "a\n\nb");
}

TEST(Title, NeedsTheMainWindow) {
    test::TestContext t(false);
    SetMainTitle(t.ctx, "新規");
    EXPECT_EQ(t.host.lastTitle(), "新規 - Gridbloom");
    t.host.mainWindow = false;
    SetMainTitle(t.ctx, "other");
    EXPECT_EQ(t.host.titles.size(), 1u);
}

TEST(ProgramDirectory, BecomesCurrent) {
    test::TestContext t(false);
    const auto before = std::filesystem::current_path();
    const auto dir = std::filesystem::temp_directory_path();
    t.host.program = (dir / "gridbloom").string();
    SetProgramDirectoryCurrent(t.ctx);
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir));
    t.host.program = "/no/such/dir/gridbloom";
    SetProgramDirectoryCurrent(t.ctx);  // ignored
    EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir));
    std::filesystem::current_path(before);
}

}  // namespace
}  // namespace gb
