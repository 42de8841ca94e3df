#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "tests/support/session_fixture.h"
#include "view/run_dialogs.h"
#include "view/zoom_dialog.h"

namespace gb {
namespace {

void Type(NumberSpinBox* field, const QString& text) {
    field->edit()->selectAll();
    QTest::keyClicks(field->edit(), text);
}

void PressOk(QDialogButtonBox* buttons) {
    QTest::mouseClick(buttons->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

TEST(Dialogs, TimerIntervalTakesTenToTenThousand) {
    test::TestContext t;
    TimerIntervalDialog dialog(t.ctx, 40);
    dialog.show();
    EXPECT_EQ(dialog.field()->text(), "40");
    EXPECT_EQ(dialog.field()->edit()->selectedText(), "40");
    Type(dialog.field(), "5");
    PressOk(dialog.buttons());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.lastBox(),
                            {"Gridbloom", "10 から 10000 までの整数を入力してください。"}));
    EXPECT_EQ(dialog.field()->edit()->selectedText(), "5");
    Type(dialog.field(), "500");
    PressOk(dialog.buttons());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.interval(), 500);
}

TEST(Dialogs, ZoomNumberFromMinusFourToTwenty) {
    test::TestContext t;
    ZoomDialog dialog(t.ctx, 6);
    dialog.show();
    EXPECT_EQ(dialog.field()->text(), "6");
    dialog.field()->stepBy(1);
    EXPECT_EQ(dialog.field()->text(), "7");
    Type(dialog.field(), "21");
    PressOk(dialog.buttons());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(t.host.lastBox().text, "-4 から 20 までの整数を入力してください。");
    Type(dialog.field(), "-4");
    dialog.field()->stepBy(-1);  // the buttons stay within the range
    EXPECT_EQ(dialog.field()->text(), "-4");
    PressOk(dialog.buttons());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.number(), -4);
}

TEST(Dialogs, StopAtKeepsTheFieldsInStepAndRefusesCommasAndThePast) {
    test::TestContext t;
    t.ctx.field.generation = 1234;
    StopAtDialog dialog(t.ctx, StopAtInitialValues(t.ctx));
    dialog.show();
    EXPECT_EQ(dialog.statusLine()->text(), QString::fromUtf8("現在第1,234世代"));
    EXPECT_EQ(dialog.absoluteField()->text(), "1235");
    EXPECT_EQ(dialog.relativeField()->text(), "1");

    Type(dialog.absoluteField(), "1240");
    EXPECT_EQ(dialog.relativeField()->text(), "6");
    Type(dialog.relativeField(), "10");
    EXPECT_EQ(dialog.absoluteField()->text(), "1244");

    // A separator while typing: the message, then the field starts over at the next generation.
    Type(dialog.absoluteField(), "2,");
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(test::Shows(t.host.lastBox(), {"Gridbloom", "入力値に\",\"は使用しないでください。",
                                               Icon::Exclamation}));
    EXPECT_EQ(dialog.absoluteField()->text(), "1235");
    EXPECT_EQ(dialog.relativeField()->text(), "1");
    Type(dialog.relativeField(), "1,");
    EXPECT_EQ(t.host.boxes.size(), 2u);
    EXPECT_EQ(dialog.relativeField()->text(), "1");

    // The current generation is the past.
    Type(dialog.absoluteField(), "1234");
    EXPECT_EQ(dialog.relativeField()->text(), "0");
    PressOk(dialog.buttons());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(test::Shows(t.host.lastBox(),
                            {"指定世代で停止", "過去の世代を指定することはできません。"}));
    EXPECT_EQ(t.ctx.shell.messageCaption, "Gridbloom");
    EXPECT_EQ(dialog.absoluteField()->text(), "1235");
    EXPECT_EQ(dialog.relativeField()->text(), "1");
    EXPECT_EQ(dialog.absoluteField()->edit()->selectedText(), "1235");

    Type(dialog.relativeField(), "3");
    PressOk(dialog.buttons());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.target(), 1237);
}

}  // namespace
}  // namespace gb
