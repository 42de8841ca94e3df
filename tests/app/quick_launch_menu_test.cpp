#include <QMainWindow>
#include <QMenu>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "app/menu_bar.h"
#include "app/quick_launch_commands.h"
#include "session/document.h"
#include "session/paste.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

// A list's quick-launch menu on a window of its own; the RLE paths its items open are recorded.
struct QuickLaunchMenus {
    QuickLaunch list;
    QMainWindow window;
    CommandRegistry registry;
    std::vector<std::string> opened;
    std::optional<MenuBar> menus;
    // Parses the list and builds its commands and menu; false when the list is refused.
    bool build(Context& ctx, const std::string& text) {
        if (!ParseQuickLaunchList(text, list)) return false;
        PathOpeners openers;
        openers.rle = [this](Context&, const std::string& p) {
            opened.push_back(p);
            return 0;
        };
        RegisterQuickLaunchCommands(registry, ctx, list, openers);
        menus.emplace(&window, window.menuBar(), registry);
        return true;
    }
};

TEST(FileText, Utf8OrShiftJis) {
    EXPECT_EQ(FileTextToQString("グライダー"), QString::fromUtf8("グライダー"));
    // "グライダー" in Shift-JIS.
    EXPECT_EQ(FileTextToQString("\x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b"),
              QString::fromUtf8("グライダー"));
}

TEST(QuickLaunchMenu, ItemsShowTheListAndOpenTheirEntry) {
    test::TestContext t(false);
    QuickLaunchMenus m;
    ASSERT_TRUE(m.build(
        t.ctx,
        "GridbloomQuickLaunch0.3\n\x83\x4f\x83\x89\x83\x43\x83\x5f\x81\x5b\ndir\\glider.rle\n"));
    MenuBar& menus = *m.menus;
    m.registry.run(cmd::QuickLaunchFileName);
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
    EXPECT_EQ(m.opened, std::vector<std::string>{"dir/glider.rle"});
    menus.updateAll();
    EXPECT_TRUE(first->isChecked());
}

TEST(QuickLaunchMenu, FiftyOneEntriesAndTheCheckMark) {
    test::TestContext t;
    std::string text = "GridbloomQuickLaunch0.3\r\n";
    for (int i = 1; i <= 51; ++i)
        text += "T" + std::to_string(i) + "\r\n\r\np" + std::to_string(i) + ".rle\r\n";
    QuickLaunchMenus m;
    ASSERT_TRUE(m.build(t.ctx, text));
    EXPECT_EQ(m.list.quickLaunchCount, 50);
    MenuBar& menus = *m.menus;
    menus.updateAll();
    EXPECT_EQ(menus.action(32878)->text(), QString::fromUtf8("T30\t"));
    EXPECT_EQ(menus.action(32887)->text(), QString::fromUtf8("T31\t"));
    EXPECT_EQ(menus.action(32906)->text(), QString::fromUtf8("T50\t"));
    EXPECT_TRUE(menus.action(32906)->isEnabled());
    menus.action(32887)->trigger();
    EXPECT_EQ(m.opened, std::vector<std::string>{"p31.rle"});

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
    for (int n = 1; n <= 50; ++n)
        EXPECT_FALSE(menus.action(cmd::QuickLaunchItem(n))->isChecked()) << n;
}

}  // namespace
}  // namespace gb
