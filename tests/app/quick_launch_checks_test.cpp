#include <QMainWindow>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/menu_bar.h"
#include "app/quick_launch_commands.h"
#include "session/document.h"
#include "session/paste.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(QuickLaunchMenu, FiftyOneEntriesAndTheCheckMark) {
    test::TestContext t;
    std::string text = "GridbloomQuickLaunch0.3\r\n";
    for (int i = 1; i <= 51; ++i) text += "T" + std::to_string(i) + "\r\n\r\np" + std::to_string(i) + ".rle\r\n";
    QuickLaunch list;
    ASSERT_TRUE(ParseQuickLaunchList(text, list));
    EXPECT_EQ(list.quickLaunchCount, 50);

    QMainWindow window;
    CommandRegistry registry;
    std::vector<std::string> opened;
    PathOpeners openers;
    openers.rle = [&](Context&, const std::string& p) {
        opened.push_back(p);
        return 0;
    };
    RegisterQuickLaunchCommands(registry, t.ctx, list, openers);
    MenuBar menus(&window, window.menuBar(), registry);
    menus.updateAll();
    EXPECT_EQ(menus.action(32878)->text(), QString::fromUtf8("T30\t"));
    EXPECT_EQ(menus.action(32887)->text(), QString::fromUtf8("T31\t"));
    EXPECT_EQ(menus.action(32906)->text(), QString::fromUtf8("T50\t"));
    EXPECT_TRUE(menus.action(32906)->isEnabled());
    menus.action(32887)->trigger();
    EXPECT_EQ(opened, std::vector<std::string>{"p31.rle"});

    // Item 7 carries the check mark, and only it.
    menus.action(cmd::QuickLaunchItem(7))->trigger();
    menus.updateAll();
    for (int n = 1; n <= 50; ++n)
        EXPECT_EQ(menus.action(cmd::QuickLaunchItem(n))->isChecked(), n == 7) << n;

    // A new pattern (paste, like New and Clear) or a file opened through the document: none.
    t.host.clipboard = "**";
    PasteFromClipboard(t.ctx);
    menus.updateAll();
    EXPECT_FALSE(menus.action(cmd::QuickLaunchItem(7))->isChecked());
    menus.action(cmd::QuickLaunchItem(7))->trigger();
    const auto file = std::filesystem::temp_directory_path() / "gb-ql-check.rle";
    std::ofstream(file) << "x = 1, y = 1\no!\n";
    ASSERT_TRUE(LoadDocument(t.ctx, file.string()));
    std::filesystem::remove(file);
    menus.updateAll();
    for (int n = 1; n <= 50; ++n) EXPECT_FALSE(menus.action(cmd::QuickLaunchItem(n))->isChecked()) << n;
}

}  // namespace
}  // namespace gb
