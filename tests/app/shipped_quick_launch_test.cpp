// The quick-launch list and patterns shipped with the program: every item loads, with only the
// boxes a pattern is meant to show (its comments, a rule other than "23/3").
#include <QMenu>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

#include "app/main_frame.h"
#include "app/menu_bar.h"
#include "engine/step.h"
#include "formats/quick_launch.h"
#include "session/document.h"
#include "tests/support/grab.h"
#include "tests/support/session_fixture.h"

namespace gb {
namespace {

namespace fs = std::filesystem;

const fs::path kRes = fs::path(GRIDBLOOM_SOURCE_DIR) / "res";

struct ShippedList : ::testing::Test {
    test::TestContext t;
    fs::path before = fs::current_path();
    QuickLaunch list;
    void SetUp() override {
        t.host.program = (kRes / "gridbloom").string();
        std::ifstream in(kRes / "quicklaunch.dat", std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
        ASSERT_TRUE(ParseQuickLaunchList(bytes, list));
    }
    void TearDown() override { fs::current_path(before); }
};

TEST_F(ShippedList, EveryItemLoadsItsPattern) {
    ASSERT_GE(list.quickLaunchCount, 12);
    const PathOpeners openers{OpenLifePath, OpenTextPath, OpenRlePath};
    std::set<std::string> rules;
    for (int n = 1; n <= list.quickLaunchCount; ++n) {
        SCOPED_TRACE(list.entries[n].path);
        t.host.boxes.clear();
        OpenQuickLaunchItem(t.ctx, list, n, openers);
        EXPECT_EQ(t.ctx.shell.currentQuickLaunchItem, n);
        EXPECT_GT(t.ctx.field.population(), 0);
        const std::string name = FileNameOf(list.entries[n].path);
        EXPECT_EQ(t.host.lastTitle(), name + " - Gridbloom");
        for (const MessageBox& box : t.host.boxes)
            EXPECT_TRUE(box.caption == name ||
                        box.caption == "デフォルト(23/3)以外のルールが適用されます。")
                << box.caption << ": " << box.text;
        rules.insert(t.ctx.rule.ruleText);
    }
    // Conway's rule, HighLife, "36/23" and Seeds are all among them.
    EXPECT_EQ(rules, (std::set<std::string>{"23/3", "23/36", "36/23", "/2"}));
}

TEST_F(ShippedList, MenuShowsTitlesAndFileNames) {
    CMainFrame frame(t.ctx);
    frame.quickLaunch() = list;
    frame.commands().run(cmd::QuickLaunchFileName);
    QMenu* menu = frame.menus().menuWithTitle(QString::fromUtf8("クイック起動(&Q)"));
    ASSERT_NE(menu, nullptr);
    t.ctx.shell.currentQuickLaunchItem = 7;
    frame.menus().update(menu);
    EXPECT_EQ(frame.menus().action(cmd::QuickLaunchItem(1))->text(),
              QString::fromUtf8("グライダー\t(glider.rle)"));
    EXPECT_TRUE(frame.menus().action(cmd::QuickLaunchItem(7))->isChecked());
    EXPECT_FALSE(frame.menus().action(cmd::QuickLaunchItem(13))->isEnabled());
    test::MaybeGrab(*menu, "quick_launch_menu");
}

}  // namespace
}  // namespace gb
