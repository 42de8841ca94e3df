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

#include <QPlainTextEdit>

#include "tests/support/grab.h"

namespace gb {
namespace {

TEST(LongMessages, ScrollInsteadOfGrowingPastTheScreen) {
    QString text;
    for (int i = 0; i < 3000; ++i) text += QStringLiteral("#C line %1\n").arg(i);
    QMessageBox box(QMessageBox::Information, "caption", text, QMessageBox::Ok);
    FitLongText(box);
    box.adjustSize();
    test::MaybeGrab(box, "long-message");
    auto* area = box.findChild<QPlainTextEdit*>("longText");
    ASSERT_NE(area, nullptr);
    EXPECT_EQ(area->toPlainText(), text);
    EXPECT_LT(box.sizeHint().height(), 1000);

    QMessageBox shortBox(QMessageBox::Information, "caption", "one\ntwo", QMessageBox::Ok);
    FitLongText(shortBox);
    EXPECT_EQ(shortBox.findChild<QPlainTextEdit*>("longText"), nullptr);
}

}  // namespace
}  // namespace gb
