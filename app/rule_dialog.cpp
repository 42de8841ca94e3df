#include "app/rule_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/context.h"
#include "session/rule_edit.h"

namespace gb {

RuleDialog::RuleDialog(Context& ctx, const QString& text, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      edit_(new QLineEdit(this)),
      default_(new QPushButton(QString::fromUtf8("デフォルト"), this)),
      ok_(new QPushButton(QStringLiteral("OK"), this)) {
    setWindowTitle(QString::fromUtf8("ルール設定"));
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    auto* hint = new QLabel(
        QString::fromUtf8("23/3 という要領でルールを設定してください。\n"
                          "B3/S23 の形式も使用できます。（23/3 の形式に自動変換されます。）"),
        this);

    edit_->setMaxLength(kMaxRuleLength);
    edit_->setText(text);
    ok_->setDefault(true);
    default_->setAutoDefault(false);
    cancel->setAutoDefault(false);

    auto* top = new QHBoxLayout;
    top->addWidget(edit_, 1);
    top->addWidget(default_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(hint);
    layout->addLayout(buttons);

    connect(default_, &QPushButton::clicked, this,
            [this] { edit_->setText(QStringLiteral("23/3")); });
    connect(ok_, &QPushButton::clicked, this, &RuleDialog::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    selectRuleText();
}

void RuleDialog::selectRuleText() {
    edit_->setFocus();
    edit_->selectAll();
}

void RuleDialog::onOk() {
    if (std::optional<std::string> rule = RuleDialogOk(ctx_, edit_->text().toStdString())) {
        result_ = std::move(*rule);
        accept();
        return;
    }
    edit_->setText(QString::fromStdString(ctx_.rule.ruleText));
    selectRuleText();
}

std::optional<std::string> RunRuleDialog(Context& ctx, const std::string& text, QWidget* parent) {
    RuleDialog dialog(ctx, QString::fromStdString(text), parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.ruleResult();
}

}  // namespace gb
