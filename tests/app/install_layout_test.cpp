#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/qt_host.h"

namespace gb {
namespace {

void Touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(InstallLayout, TheProgramWorksFromWhereItsQuickLaunchListIs) {
    QTemporaryDir root;
    const QString bin = root.filePath("prefix/bin/gridbloom");
    Touch(bin);
    // Nothing anywhere: the program's own directory.
    EXPECT_EQ(ProgramWorkingPath(bin), QFileInfo(bin).absoluteFilePath());
    // Installed: the data directory.
    Touch(root.filePath("prefix/share/gridbloom/quicklaunch.dat"));
    EXPECT_EQ(ProgramWorkingPath(bin), QDir::cleanPath(root.filePath("prefix/share/gridbloom/gridbloom")));
    // A list beside the program wins (a build, or a folder copied as a whole).
    Touch(root.filePath("prefix/bin/quicklaunch.dat"));
    EXPECT_EQ(ProgramWorkingPath(bin), QFileInfo(bin).absoluteFilePath());
}

}  // namespace
}  // namespace gb
