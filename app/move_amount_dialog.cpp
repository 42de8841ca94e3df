#include "app/move_amount_dialog.h"

#include "app/size_dialog_layout.h"
#include "session/context.h"
#include "session/input_numbers.h"
#include "session/move.h"

namespace gb {

MoveAmountDialog::MoveAmountDialog(Context& ctx, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      horizontalBox_(new NumberSpinBox(this)),
      verticalBox_(new NumberSpinBox(this)) {
    setWindowTitle(QString::fromUtf8("パターン移動量設定"));
    const NumberRowsLayout layout = LayOutNumberRows(this, horizontalBox_, verticalBox_);
    ok_ = layout.ok;
    horizontalBox_->setRange(1 - ctx.field.fieldWidth, ctx.field.fieldWidth - 1);
    verticalBox_->setRange(1 - ctx.field.fieldHeight, ctx.field.fieldHeight - 1);
    horizontalBox_->setText(QStringLiteral("0"));
    verticalBox_->setText(QStringLiteral("0"));
    connect(ok_, &QPushButton::clicked, this, &MoveAmountDialog::onOk);
    FocusNumberBox(horizontalBox_);
}

void MoveAmountDialog::onOk() {
    const std::string h = horizontalBox_->text().toStdString();
    const std::string v = verticalBox_->text().toStdString();
    const QString zero = QStringLiteral("0");
    switch (CheckMoveAmounts(ctx_, h, v)) {
        case AmountBox::Horizontal: FocusNumberBox(horizontalBox_, &zero); return;
        case AmountBox::Vertical: FocusNumberBox(verticalBox_, &zero); return;
        case AmountBox::None: break;
    }
    // The integer exchange: a text that is not a plain integer is refused here.
    const std::optional<int> dx = ExchangeInt(ctx_, h);
    if (!dx) return FocusNumberBox(horizontalBox_);
    const std::optional<int> dy = ExchangeInt(ctx_, v);
    if (!dy) return FocusNumberBox(verticalBox_);
    horizontal_ = *dx;
    vertical_ = *dy;
    accept();
}

std::optional<std::pair<int, int>> RunMoveAmountDialog(Context& ctx, QWidget* parent) {
    MoveAmountDialog dialog(ctx, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(dialog.horizontal(), dialog.vertical());
}

}  // namespace gb
