#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/field_commands.h"
#include "app/field_size_dialog.h"
#include "app/move_amount_dialog.h"
#include "app/rule_dialog.h"
#include "tests/support/session_fixture.h"
#include "view/number_spin_box.h"

namespace gb {
namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

void Retype(QWidget* box, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(box)) edit->selectAll();
    if (auto* spin = qobject_cast<NumberSpinBox*>(box)) spin->selectAll();
    // Key by key, as typed; characters beyond ASCII arrive as text only (as from an input method).
    for (QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(box, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

TEST(RuleDialog, TypingAndOk) {
    test::TestContext t;
    t.ctx.rule.ruleText = "3/23";
    RuleDialog dialog(t.ctx, U("3/23"));
    dialog.show();
    QLineEdit* edit = dialog.ruleEdit();
    EXPECT_EQ(dialog.windowTitle(), U("ルール設定"));
    EXPECT_EQ(dialog.focusWidget(), edit);
    EXPECT_EQ(edit->selectedText(), U("3/23"));
    EXPECT_TRUE(dialog.okButton()->isDefault());

    // Rejected: the box, then the rule in force back in the box, focused and all selected.
    Retype(edit, U("23"));
    EXPECT_EQ(edit->text(), U("23"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.lastBox().caption, "ルールの指定があいまいです。");
    EXPECT_EQ(edit->text(), U("3/23"));
    EXPECT_EQ(edit->selectedText(), U("3/23"));
    EXPECT_EQ(dialog.focusWidget(), edit);

    // No 39th character.
    Retype(edit, QString(45, QChar('2')).append('/'));
    EXPECT_EQ(edit->text().size(), RuleDialog::kMaxRuleLength);

    QTest::mouseClick(dialog.defaultButton(), Qt::LeftButton);
    EXPECT_EQ(edit->text(), U("23/3"));
    EXPECT_TRUE(dialog.isVisible());

    Retype(edit, U("３４／３４"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.ruleResult(), "34/34");
    EXPECT_EQ(t.host.boxes.size(), 1u);
}

TEST(MoveAmountDialog, TypingAndOk) {
    test::TestContext t;
    MoveAmountDialog dialog(t.ctx);
    dialog.show();
    NumberSpinBox* h = dialog.horizontalBox();
    NumberSpinBox* v = dialog.verticalBox();
    EXPECT_EQ(dialog.windowTitle(), U("パターン移動量設定"));
    EXPECT_EQ(h->text(), U("0"));
    EXPECT_EQ(v->text(), U("0"));
    EXPECT_EQ(h->minimum(), -1199);
    EXPECT_EQ(v->maximum(), 1199);

    Retype(h, U("1200"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.lastBox().text, "-1199から1199までの整数を入力してください。");
    EXPECT_EQ(h->text(), U("0"));
    EXPECT_EQ(h->edit()->selectedText(), U("0"));
    EXPECT_EQ(dialog.focusWidget(), h);

    // "3.7" passes the range check and is refused by the integer exchange, without a reset.
    Retype(h, U("3.7"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    ASSERT_EQ(t.host.boxes.size(), 2u);
    EXPECT_EQ(t.host.lastBox().text, "整数を入力してください。");
    EXPECT_EQ(h->text(), U("3.7"));
    EXPECT_EQ(h->edit()->selectedText(), U("3.7"));
    EXPECT_TRUE(dialog.isVisible());

    Retype(h, U("1199"));
    Retype(v, U("-2"));
    QTest::keyClick(v, Qt::Key_Up);  // the arrows step the number
    EXPECT_EQ(v->text(), U("-1"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.horizontal(), 1199);
    EXPECT_EQ(dialog.vertical(), -1);
}

TEST(FieldSizeDialog, TypingAndOk) {
    test::TestContext t;
    FieldSizeDialog dialog(t.ctx, 1200, 1200);
    dialog.show();
    NumberSpinBox* w = dialog.widthBox();
    NumberSpinBox* h = dialog.heightBox();
    EXPECT_EQ(dialog.windowTitle(), U("フィールドサイズ設定"));
    EXPECT_EQ(dialog.totalLine()->text(), U("総セル数   1,440,000   1.440000e+006"));
    EXPECT_EQ(dialog.focusWidget(), w);
    EXPECT_EQ(w->edit()->selectedText(), U("1200"));

    // A comma complains at once and puts the current size back.
    Retype(w, U("1,"));
    ASSERT_EQ(t.host.boxes.size(), 1u);
    EXPECT_EQ(t.host.lastBox().text, "入力値に\",\"は使用しないでください。");
    EXPECT_EQ(w->text(), U("1200"));
    EXPECT_EQ(dialog.totalLine()->text(), U("総セル数   1,440,000   1.440000e+006"));

    Retype(w, U("5000"));
    Retype(h, U("5001"));
    EXPECT_EQ(dialog.totalLine()->text(), U("総セル数   25,005,000   2.500500e+007"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);  // the question's default: No
    ASSERT_EQ(t.host.boxes.size(), 2u);
    EXPECT_EQ(t.host.lastBox().defaultButton, Button::No);
    EXPECT_EQ(w->text(), U("1200"));
    EXPECT_EQ(h->text(), U("1200"));
    EXPECT_TRUE(dialog.isVisible());

    Retype(w, U("0"));
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(t.host.lastBox().text, "1 以上の整数を入力してください。");
    EXPECT_EQ(w->edit()->selectedText(), U("0"));

    Retype(w, U("1400"));
    QTest::keyClick(h, Qt::Key_Down);
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.fieldWidth(), 1400);
    EXPECT_EQ(dialog.fieldHeight(), 1199);
    EXPECT_EQ(t.host.boxes.size(), 3u);
}

TEST(FieldCommands, MovesAreEnabledOnlyWhileTheLastFrameCountedLife) {
    test::TestContext t;
    CommandRegistry registry;
    QWidget parent;
    RegisterFieldCommands(t.ctx, registry, &parent);
    for (int id : {cmd::Rule, cmd::FieldSize}) EXPECT_TRUE(registry.state(id).enabled);
    for (int id : {cmd::CentreByExtent, cmd::CentreByCentroid, cmd::MoveByAmount})
        EXPECT_FALSE(registry.state(id).enabled) << id;

    t.ctx.field.setCell(10, 10, 1);
    registry.runIfEnabled(cmd::CentreByExtent);  // refused: no frame has counted it yet
    EXPECT_EQ(t.ctx.field.at(10, 10), 1);
    test::SetCountedPopulation(t.ctx, 1);
    for (int id : {cmd::CentreByExtent, cmd::CentreByCentroid, cmd::MoveByAmount})
        EXPECT_TRUE(registry.state(id).enabled) << id;
    registry.runIfEnabled(cmd::CentreByExtent);
    EXPECT_EQ(t.ctx.field.at(600, 600), 1);
    EXPECT_EQ(t.host.invalidations, 1);
}

}  // namespace
}  // namespace gb
