#include <QMainWindow>
#include <QMenu>
#include <gtest/gtest.h>

#include "app/menu_bar.h"
#include "app/quick_launch_commands.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

TEST(FileText, Utf8OrShiftJis) {
    EXPECT_EQ(FileTextToQString("グライダー"), QString::fromUtf8("グライダー"));
    // "グライダー" in Shift-JIS.
    EXPECT_EQ(FileTextToQString("\x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b"),
              QString::fromUtf8("グライダー"));
}

TEST(QuickLaunchMenu, ItemsShowTheListAndOpenTheirEntry) {
    test::TestContext t(false);
    QuickLaunch list;
    ASSERT_TRUE(ParseQuickLaunchList(
        "GridbloomQuickLaunch0.3\n\x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b\ndir\\glider.rle\n", list));
    QMainWindow window;
    CommandRegistry registry;
    std::string opened;
    PathOpeners openers;
    openers.rle = [&](Context&, const std::string& p) {
        opened = p;
        return 0;
    };
    RegisterQuickLaunchCommands(registry, t.ctx, list, openers);
    MenuBar menus(&window, window.menuBar(), registry);
    registry.run(cmd::QuickLaunchFileName);
    menus.updateAll();
    QAction* first = menus.action(cmd::QuickLaunchItem(1));
    EXPECT_TRUE(first->isEnabled());
    EXPECT_EQ(first->text(), QString::fromUtf8("グライダー\t(glider.rle)"));
    EXPECT_TRUE(menus.action(cmd::QuickLaunchFileName)->isChecked());
    EXPECT_FALSE(menus.action(cmd::QuickLaunchNoFileName)->isChecked());
    QAction* second = menus.action(cmd::QuickLaunchItem(2));
    EXPECT_FALSE(second->isEnabled());
    EXPECT_EQ(second->text(), QString::fromUtf8("- クイック起動 2 -"));

    first->trigger();
    EXPECT_EQ(opened, "dir/glider.rle");
    menus.updateAll();
    EXPECT_TRUE(first->isChecked());
}

}  // namespace
}  // namespace gb
