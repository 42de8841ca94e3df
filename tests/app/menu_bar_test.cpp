#include "app/menu_bar.h"

#include <QMainWindow>
#include <QMenu>
#include <gtest/gtest.h>

namespace gb {
namespace {

TEST(MenuBar, ItemsCarryTheirIdsAndFollowTheirUpdateRules) {
    QMainWindow window;
    CommandRegistry registry;
    int runs = 0;
    bool enabled = false;
    registry.add(
        cmd::RunStart, [&] { ++runs; }, [&](CommandState& s) { s.enabled = enabled; });
    MenuBar menus(&window, window.menuBar(), registry);

    QAction* start = menus.action(cmd::RunStart);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->text(), QString::fromUtf8("開始\tEnter"));
    EXPECT_EQ(start->data().toInt(), cmd::RunStart);
    EXPECT_EQ(menus.action(cmd::QuickLaunchItem(31))->text(),
              QString::fromUtf8("- クイック起動 31 -"));
    EXPECT_EQ(cmd::QuickLaunchItem(30), 32878);
    EXPECT_EQ(cmd::QuickLaunchItem(50), 32906);

    // Disabled by its rule: a trigger does nothing. Commands without a handler stay disabled.
    menus.updateAll();
    EXPECT_FALSE(start->isEnabled());
    EXPECT_FALSE(menus.action(cmd::EditCopy) != nullptr &&
                 menus.action(cmd::EditCopy)->isEnabled());
    registry.runIfEnabled(cmd::RunStart);
    EXPECT_EQ(runs, 0);
    enabled = true;
    menus.updateAll();
    EXPECT_TRUE(start->isEnabled());
    start->trigger();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(menus.action(cmd::FileSaveAs)->isEnabled());
}

TEST(MenuBar, TopLevelMenusInOrder) {
    QMainWindow window;
    CommandRegistry registry;
    MenuBar menus(&window, window.menuBar(), registry);
    QStringList titles;
    for (QAction* a : window.menuBar()->actions()) titles << a->text();
    EXPECT_EQ(titles.join("|"), QString::fromUtf8("ファイル(&F)|編集(&E)|クイック起動(&Q)|実行(&X)|"
                                                  "表示(&V)|設定(&S)|ヘルプ(&H)"));
}

}  // namespace
}  // namespace gb
