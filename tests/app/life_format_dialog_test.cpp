#include "app/life_format_dialog.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace gb {
namespace {

// Runs the dialog with settings, acting on it once it is shown.
template <typename Act>
LifeFormat Ask(LifeWriteSettings& settings, Act act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<LifeFormatDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
    return AskLifeFormat(nullptr, settings);
}

TEST(LifeFormatDialog, OkStoresTheChoiceAndEscKeepsTheLast) {
    LifeWriteSettings settings;
    // First time: Life 1.05 is checked; only OK can be seen.
    EXPECT_EQ(Ask(settings,
                  [](LifeFormatDialog& d) {
                      EXPECT_EQ(d.windowTitle(), QString::fromUtf8("保存フォーマット指定"));
                      EXPECT_TRUE(d.radio(0)->isChecked());
                      EXPECT_FALSE(d.radio(1)->isChecked());
                      EXPECT_EQ(d.findChildren<QPushButton*>().size(), 2);
                      int visible = 0;
                      for (QPushButton* b : d.findChildren<QPushButton*>())
                          visible += b->isVisible() ? 1 : 0;
                      EXPECT_EQ(visible, 1);
                      QTest::mouseClick(d.radio(1), Qt::LeftButton);
                      EXPECT_FALSE(d.radio(0)->isChecked());
                      QTest::mouseClick(d.radio(1),
                                        Qt::LeftButton);  // a checked button stays checked
                      EXPECT_TRUE(d.radio(1)->isChecked());
                      QTest::mouseClick(d.okButton(), Qt::LeftButton);
                  }),
              LifeFormat::Life106);
    EXPECT_EQ(settings.lastLifeFormat, 1);

    // Esc after choosing 1.05: the save still happens, in the last format (1.06).
    EXPECT_EQ(Ask(settings,
                  [](LifeFormatDialog& d) {
                      EXPECT_TRUE(d.radio(1)->isChecked());
                      QTest::mouseClick(d.radio(0), Qt::LeftButton);
                      QTest::keyClick(&d, Qt::Key_Escape);
                  }),
              LifeFormat::Life106);
    EXPECT_EQ(settings.lastLifeFormat, 1);

    // Enter presses OK.
    EXPECT_EQ(Ask(settings,
                  [](LifeFormatDialog& d) {
                      QTest::mouseClick(d.radio(0), Qt::LeftButton);
                      QTest::keyClick(&d, Qt::Key_Return);
                  }),
              LifeFormat::Life105);
    EXPECT_EQ(settings.lastLifeFormat, 0);

    // With no button checked (an earlier OK without a choice), OK gives the invalid index.
    settings.lastLifeFormat = -1;
    EXPECT_EQ(static_cast<int>(Ask(settings,
                                   [](LifeFormatDialog& d) {
                                       EXPECT_FALSE(d.radio(0)->isChecked());
                                       EXPECT_FALSE(d.radio(1)->isChecked());
                                       QTest::mouseClick(d.okButton(), Qt::LeftButton);
                                   })),
              -1);
}

}  // namespace
}  // namespace gb
