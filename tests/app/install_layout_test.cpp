#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/install_layout.h"
#include "app/qt_host.h"
#include "session/run.h"
#include "tests/support/session_fixture.h"
#include "view/help.h"

namespace gb {
namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

bool Always(const QString&) { return true; }
bool Never(const QString&) { return false; }

// A temporary tree: a program file at prefix/bin/gridbloom and a configuration home beside it.
struct Layout {
    QTemporaryDir root;
    QString program = root.filePath("prefix/bin/gridbloom");
    QString config = root.filePath("home/.config");
    QString beside = root.filePath("prefix/bin/Gridbloom.ini");
    QString inConfig = root.filePath("home/.config/Gridbloom/Gridbloom.ini");

    Layout() { Touch(program); }
    void install() { Touch(root.filePath("prefix/share/gridbloom/quicklaunch.dat")); }
    void shipBeside() { Touch(root.filePath("prefix/bin/quicklaunch.dat")); }
};

TEST(InstallLayout, TheProgramWorksFromWhereItsQuickLaunchListIs) {
    Layout l;
    // Nothing anywhere: the program's own directory.
    EXPECT_EQ(ProgramWorkingPath(l.program), QFileInfo(l.program).absoluteFilePath());
    // Installed: the data directory.
    l.install();
    EXPECT_EQ(ProgramWorkingPath(l.program),
              QDir::cleanPath(l.root.filePath("prefix/share/gridbloom/gridbloom")));
    // A list beside the program wins (a build, or a folder copied as a whole).
    l.shipBeside();
    EXPECT_EQ(ProgramWorkingPath(l.program), QFileInfo(l.program).absoluteFilePath());
}

TEST(ProfileLocation, InstalledProgramsKeepTheirSettingsInTheUsersConfiguration) {
    Layout l;
    l.install();
    EXPECT_EQ(InstalledDataDirectory(l.program),
              QDir::cleanPath(l.root.filePath("prefix/share/gridbloom")));
    EXPECT_EQ(ProfileLocation(l.program, l.config, Always), l.inConfig);
    // A trailing slash in $XDG_CONFIG_HOME changes nothing.
    EXPECT_EQ(ProfileLocation(l.program, l.config + "/", Always), l.inConfig);
    // The program reached through a path with ".." still counts as installed.
    EXPECT_EQ(ProfileLocation(l.root.filePath("prefix/share/../bin/gridbloom"), l.config, Always),
              l.inConfig);
}

TEST(ProfileLocation, BuildsAndCopiedFoldersKeepThemBesideTheProgram) {
    Layout l;
    // A folder with nothing else in it (a copied program alone).
    EXPECT_EQ(ProfileLocation(l.program, l.config, Always), l.beside);
    // A build or a copied folder: the quick-launch list beside the program, even when a prefix
    // around it has one too.
    l.shipBeside();
    l.install();
    EXPECT_TRUE(InstalledDataDirectory(l.program).isEmpty());
    EXPECT_EQ(ProfileLocation(l.program, l.config, Always), l.beside);
}

TEST(ProfileLocation, AFolderThatTakesNoFilesSendsThemToTheConfiguration) {
    Layout l;
    l.shipBeside();
    QString asked;
    const auto refuse = [&](const QString& dir) {
        asked = dir;
        return false;
    };
    EXPECT_EQ(ProfileLocation(l.program, l.config, refuse), l.inConfig);
    EXPECT_EQ(asked, QFileInfo(l.program).absolutePath());
    // Without a configuration directory the program's own is the only place left.
    EXPECT_EQ(ProfileLocation(l.program, QString(), Never), l.beside);
    l.install();
    EXPECT_EQ(ProfileLocation(l.program, QString(), Never), l.beside);
}

TEST(ProfileLocation, AnUnknownProgramPathFallsBackToTheConfiguration) {
    Layout l;
    EXPECT_TRUE(InstalledDataDirectory(QString()).isEmpty());
    EXPECT_EQ(ProfileLocation(QString(), l.config, Always), l.inConfig);
    EXPECT_EQ(ProfileLocation(QString(), QString(), Always),
              QDir::current().filePath("Gridbloom.ini"));
}

TEST(ProfileLocation, DirectoriesAreAskedWhetherTheyTakeFiles) {
    QTemporaryDir root;
    EXPECT_TRUE(DirectoryTakesFiles(root.path()));
    EXPECT_EQ(QDir(root.path()).entryList(QDir::Files), QStringList());  // the probe is gone
    EXPECT_FALSE(DirectoryTakesFiles(root.filePath("missing")));
    EXPECT_FALSE(DirectoryTakesFiles(QString()));
    Touch(root.filePath("plain"));
    EXPECT_FALSE(DirectoryTakesFiles(root.filePath("plain")));
    // A read-only folder, as an unprivileged user sees one (root writes everywhere).
    const QString locked = root.filePath("locked");
    QDir().mkpath(locked);
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (geteuid() != 0) {
        EXPECT_FALSE(DirectoryTakesFiles(locked));
        EXPECT_EQ(ProfileLocation(locked + "/gridbloom", root.filePath("cfg")),
                  root.filePath("cfg/Gridbloom/Gridbloom.ini"));
    }
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST(HelpDocument, FoundBesideTheProgramOrInTheInstalledData) {
    Layout l;
    EXPECT_TRUE(HelpDocumentLocation(l.program).isEmpty());
    EXPECT_TRUE(HelpDocumentLocation(QString()).isEmpty());
    l.install();
    EXPECT_TRUE(HelpDocumentLocation(l.program).isEmpty());  // data without the document
    Touch(l.root.filePath("prefix/share/gridbloom/help/index.html"));
    EXPECT_EQ(HelpDocumentLocation(l.program),
              QDir::cleanPath(l.root.filePath("prefix/share/gridbloom/help/index.html")));
    // A build's own copy wins.
    Touch(l.root.filePath("prefix/bin/help/index.html"));
    EXPECT_EQ(HelpDocumentLocation(l.program),
              QDir::cleanPath(l.root.filePath("prefix/bin/help/index.html")));
}

TEST(HelpDocument, TheHelpFileComesFirstThenOurDocumentThenTheMessage) {
    std::vector<std::string> asked;
    const auto chm = [&](bool opens) {
        return [&asked, opens](const std::string& name) {
            asked.push_back(name);
            return opens;
        };
    };
    const auto document = [&](bool opens) {
        return [&asked, opens] {
            asked.push_back("document");
            return opens;
        };
    };
    {
        test::TestContext t(false);
        OpenHelpFile(t.ctx, chm(true), document(true));
        EXPECT_EQ(asked, std::vector<std::string>{"説明.chm"});
        EXPECT_TRUE(t.host.boxes.empty());
    }
    asked.clear();
    {
        test::TestContext t(false);
        StartRun(t.ctx);
        OpenHelpFile(t.ctx, chm(false), document(true));
        EXPECT_EQ(asked, (std::vector<std::string>{"説明.chm", "document"}));
        EXPECT_TRUE(t.host.boxes.empty());
        EXPECT_TRUE(t.ctx.run.running);
    }
    asked.clear();
    {
        test::TestContext t(false);
        StartRun(t.ctx);
        OpenHelpFile(t.ctx, chm(false), document(false));
        EXPECT_EQ(asked, (std::vector<std::string>{"説明.chm", "document"}));
        ASSERT_EQ(t.host.boxes.size(), 1u);
        EXPECT_TRUE(test::Shows(
            t.host.lastBox(),
            {"ヘルプを表示できません", "ヘルプファイル\"説明.chm\"を起動できません。"}));
        EXPECT_TRUE(t.ctx.run.running);
        EXPECT_TRUE(t.host.timersKilled.empty());
        // The caption served that one box only.
        EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    }
}

}  // namespace
}  // namespace gb
