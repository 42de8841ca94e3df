// The program's Host on the desktop: long texts and the help boxes.
#include "app/qt_host.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTimer>
#include <gtest/gtest.h>

#include "session/context.h"
#include "tests/support/grab.h"
#include "view/help.h"

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

TEST(HelpBoxes, EveryLineOfTheMouseHelpIsShownWhole) {
    // Qt wraps a box's text at about 500 pixels; the help's longest entries are wider than that
    // and would break mid-phrase.
    QtHost host;
    Context ctx{host};
    int lines = 0;
    QTimer::singleShot(0, [&lines] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        test::MaybeGrab(*box, "mouse-help");
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->isVisible() || !label->text().contains(QString::fromUtf8("中心に来る")))
                continue;
            const QFontMetrics metrics(label->font());
            for (const QString& line : label->text().split(QLatin1Char('\n'))) {
                EXPECT_GE(label->contentsRect().width(), metrics.horizontalAdvance(line))
                    << line.toStdString();
                ++lines;
            }
        }
        EXPECT_LE(box->frameGeometry().width(), box->screen()->availableGeometry().width());
        box->accept();
    });
    ShowMouseHelp(ctx);
    EXPECT_GE(lines, 10);
}

}  // namespace
}  // namespace gb
