#include <QApplication>
#include <QColorDialog>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include "app/display_commands.h"
#include "app/doc_manager.h"
#include "app/profile.h"
#include "session/run.h"
#include "tests/support/session_fixture.h"
#include "view/help.h"

namespace gb {
namespace {

TEST(Profile, MissingFileGivesDefaultsAndSavedValuesComeBack) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Gridbloom.ini");
    DisplaySettings d;
    d.liveColor = 1;
    d.gridShown = true;
    {
        auto profile = OpenProfile(path);
        LoadDisplaySettings(*profile, d);
    }
    EXPECT_EQ(d.liveColor, 255u);
    EXPECT_EQ(d.backColor, 16777215u);
    EXPECT_EQ(d.gridColor, 14474460u);
    EXPECT_FALSE(d.gridShown);

    d.liveColor = 0x00FF00;  // 255 in the green byte
    d.backColor = 0;
    d.gridShown = true;
    {
        auto profile = OpenProfile(path);
        SaveDisplaySettings(*profile, d);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    for (const char* line :
         {"[Settings]", "color=65280", "backcolor=0", "gridcolor=14474460", "grid=1"})
        EXPECT_TRUE(text.contains(line)) << line;

    DisplaySettings back;
    auto profile = OpenProfile(path);
    LoadDisplaySettings(*profile, back);
    EXPECT_EQ(back.liveColor, 0x00FF00u);
    EXPECT_EQ(back.backColor, 0u);
    EXPECT_TRUE(back.gridShown);
}

// Writes text as the whole profile file.
void WriteProfileFile(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

TEST(Profile, ValuesAreTheirLeadingIntegers) {
    const std::pair<const char*, int> values[] = {
        {"65280abc", 65280},     {"0x00FF00", 0}, {"abc", 0},        {"", 0},
        {" +12 34", 12},         {"-5", -5},      {"4294967296", 0},  // 2^32 wraps in 32 bits
        {"16777215.9", 16777215}};
    for (auto [text, value] : values) EXPECT_EQ(ProfileInteger(text), value) << text;
}

TEST(Profile, NamesMatchWithoutRegardToCaseAndQuittingKeepsOneSection) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Gridbloom.ini");
    WriteProfileFile(path,
                     "[settings]\r\nBackColor=65280abc\r\ncolor=0x00FF00\r\nGRIDCOLOR=12,34\r\n"
                     "Grid=2\r\n[recent file list]\r\nfile1=/p/a.rle\r\n");
    DisplaySettings d;
    {
        auto profile = OpenProfile(path);
        LoadDisplaySettings(*profile, d);
    }
    EXPECT_EQ(d.backColor, 65280u);
    EXPECT_EQ(d.liveColor, 0u);
    EXPECT_EQ(d.gridColor, 12u);
    EXPECT_TRUE(d.gridShown);

    d.liveColor = 7;
    d.backColor = 8;
    d.gridShown = false;
    {
        auto profile = OpenProfile(path);
        SaveDisplaySettings(*profile, d);
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_EQ(text.count("settings]", Qt::CaseInsensitive), 1) << text.toStdString();
    EXPECT_EQ(text.count("backcolor=", Qt::CaseInsensitive), 1) << text.toStdString();
    EXPECT_EQ(text.count("grid=", Qt::CaseInsensitive), 1) << text.toStdString();
    EXPECT_TRUE(text.contains("BackColor=8"));
    EXPECT_TRUE(text.contains("Grid=0"));
    DisplaySettings back;
    auto profile = OpenProfile(path);
    LoadDisplaySettings(*profile, back);
    // The recent-file list is found the same way and written back into its own section.
    RecentFileList recent;
    recent.load(*profile);
    EXPECT_EQ(recent.files(), std::vector<std::string>{"/p/a.rle"});
    recent.add("/p/b.rle");
    recent.save(*profile);
    profile->sync();
    QFile again(path);
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    const QString after = QString::fromUtf8(again.readAll());
    EXPECT_EQ(after.count("file1=", Qt::CaseInsensitive), 1) << after.toStdString();
    EXPECT_EQ(after.count("file2=", Qt::CaseInsensitive), 1) << after.toStdString();
    EXPECT_EQ(back.liveColor, 7u);
    EXPECT_EQ(back.backColor, 8u);
    EXPECT_EQ(back.gridColor, 12u);
    EXPECT_FALSE(back.gridShown);
}

TEST(Colours, ConvertBetweenLayouts) {
    EXPECT_EQ(ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(ToQColor(0xDCDCDC), QColor(220, 220, 220));
    EXPECT_EQ(ToColorRef(QColor(1, 2, 3)), 0x030201u);
}

TEST(Colours, ChooserStartsFromTheSettingAndOkTakesItsColour) {
    test::TestContext t(false);
    CustomColors customs;
    StartRun(t.ctx);
    std::string seenTitle;
    std::uint32_t seenInitial = 0;
    bool runningDuringChooser = true;
    ChooseColor(t.ctx, customs, ColorSetting::Back,
                [&](const char* title, std::uint32_t initial, std::array<std::uint32_t, 16>& c) {
                    seenTitle = title;
                    seenInitial = initial;
                    runningDuringChooser = t.ctx.run.running;
                    EXPECT_EQ(c[0], 0xFFFFFFu);
                    c[5] = 0x123456;  // a custom colour the user defines
                    return std::optional<std::uint32_t>(0);
                });
    EXPECT_EQ(seenTitle, "背景の色");
    EXPECT_EQ(seenInitial, 0xFFFFFFu);
    EXPECT_FALSE(runningDuringChooser);
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.ctx.display.backColor, 0u);
    EXPECT_EQ(customs.back[5], 0x123456u);
    EXPECT_EQ(customs.live[5], 0xFFFFFFu);  // each setting keeps its own list
    EXPECT_FALSE(t.ctx.display.gridShown);
    EXPECT_EQ(t.host.invalidations, 1);
}

TEST(Colours, GridColourSwitchesTheGridOnAndCancelChangesNothing) {
    test::TestContext t(false);
    CustomColors customs;
    const auto cancel = [](const char*, std::uint32_t, std::array<std::uint32_t, 16>&) {
        return std::optional<std::uint32_t>();
    };
    ChooseColor(t.ctx, customs, ColorSetting::Grid, cancel);
    EXPECT_FALSE(t.ctx.display.gridShown);
    EXPECT_EQ(t.ctx.display.gridColor, 0xDCDCDCu);
    std::string title;
    ChooseColor(t.ctx, customs, ColorSetting::Grid,
                [&](const char* tt, std::uint32_t, std::array<std::uint32_t, 16>&) {
                    title = tt;
                    return std::optional<std::uint32_t>(0x00FFFF);
                });
    EXPECT_EQ(title, "グリッドの色");
    EXPECT_TRUE(t.ctx.display.gridShown);
    EXPECT_EQ(t.ctx.display.gridColor, 0x00FFFFu);
    ToggleGrid(t.ctx);
    EXPECT_FALSE(t.ctx.display.gridShown);
    EXPECT_EQ(t.ctx.display.gridColor, 0x00FFFFu);
}

TEST(Colours, TheChooserLeavesNoSettingsFileBesideTheProfile) {
    // A fresh process with its own configuration directory: it runs the chooser as the program
    // does (custom colours handed in, a colour taken), saves its profile there and ends.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    const bool child = qEnvironmentVariableIsSet("GRIDBLOOM_CHOOSER_CHILD");
    const QByteArray savedHome = qgetenv("XDG_CONFIG_HOME"), savedLsan = qgetenv("LSAN_OPTIONS");
    if (!child) {
        qputenv("XDG_CONFIG_HOME", dir.path().toLocal8Bit());
        qputenv("GRIDBLOOM_CHOOSER_CHILD", "1");
        // The child ends with exit() while the test main's application object still holds the
        // font cache: not a leak to report under the sanitizer.
        qputenv("LSAN_OPTIONS", savedLsan + (savedLsan.isEmpty() ? "" : ":") + "detect_leaks=0");
    }
    const QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    const auto session = [&home] {
        std::array<std::uint32_t, 16> customs{};
        customs.fill(0xFFFFFF);
        customs[3] = 0x00FF00;
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* chooser = qobject_cast<QColorDialog*>(w)) chooser->accept();
        });
        RunColorDialog("色", 0x0000FF, customs);
        DisplaySettings display;
        SaveDisplaySettings(*OpenProfile(home + "/Gridbloom/Gridbloom.ini"), display);
        std::exit(0);
    };
    EXPECT_EXIT(session(), ::testing::ExitedWithCode(0), "");
    qunsetenv("GRIDBLOOM_CHOOSER_CHILD");
    for (const auto& [name, saved] :
         {std::pair{"XDG_CONFIG_HOME", savedHome}, std::pair{"LSAN_OPTIONS", savedLsan}}) {
        if (saved.isNull())
            qunsetenv(name);
        else
            qputenv(name, saved);
    }
    QStringList files;
    for (QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         it.hasNext();)
        files << QDir(dir.path()).relativeFilePath(it.next());
    EXPECT_EQ(files.join(' ').toStdString(), "Gridbloom/Gridbloom.ini");
}

TEST(Help, TextsAreShownByTheViewInsideThePauseBracket) {
    test::TestContext t(false);
    StartRun(t.ctx);
    ShowKeyboardHelp(t.ctx);
    const MessageBox& box = t.host.lastBox();
    EXPECT_EQ(box.caption, "キーボード操作");
    EXPECT_EQ(box.icon, Icon::Information);
    EXPECT_EQ(box.text.substr(0, 3), " \n\r");
    EXPECT_NE(box.text.find("[Ctrl] + [V] …… 貼り付け\n\r\n\r"), std::string::npos);
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_EQ(t.host.timersKilled.size(), 1u);  // paused while the box was up
    ShowMouseHelp(t.ctx);
    EXPECT_EQ(t.host.lastBox().caption, "マウス操作");
    EXPECT_NE(t.host.lastBox().text.find("\n\r　　右クリック・右ドラッグ …… 生物を削除\n\r"),
              std::string::npos);
}

TEST(Help, MissingHelpFileIsReportedAndTheRunGoesOn) {
    test::TestContext t(false);
    StartRun(t.ctx);
    std::string asked;
    OpenHelpFile(t.ctx, [&](const std::string& name) {
        asked = name;
        return false;
    });
    EXPECT_EQ(asked, "説明.chm");
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"ヘルプを表示できません",
                                               "ヘルプファイル\"説明.chm\"を起動できません。"}));
    EXPECT_TRUE(t.ctx.run.running);
    EXPECT_TRUE(t.host.timersKilled.empty());
    // The desktop opener refuses a file that is not there.
    EXPECT_FALSE(OpenWithDesktop("no-such-help-file.chm"));
}

}  // namespace
}  // namespace gb

#include "app/shell_commands.h"
#include "tests/support/grab.h"
#include <QLabel>

namespace gb {
namespace {

TEST(AboutBox, ShowsTheVersion) {
    AboutDialog dialog;
    test::MaybeGrab(dialog, "about");
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Gridbloomのバージョン情報"));
    auto* text = dialog.findChild<QLabel*>("versionText");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QString("Gridbloom Version 0.3.1"));
}

}  // namespace
}  // namespace gb
