#include "app/field_size_dialog.h"

#include "app/size_dialog_layout.h"
#include "session/context.h"
#include "session/field_size.h"
#include "session/input_numbers.h"

namespace gb {

FieldSizeDialog::FieldSizeDialog(Context& ctx, int width, int height, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      widthBox_(new NumberSpinBox(this)),
      heightBox_(new NumberSpinBox(this)),
      total_(new QLabel(this)),
      width_(width),
      height_(height) {
    setWindowTitle(QString::fromUtf8("フィールドサイズ設定"));
    const NumberRowsLayout layout = LayOutNumberRows(this, widthBox_, heightBox_);
    ok_ = layout.ok;
    layout.grid->addWidget(total_, 2, 0, 1, 4);
    widthBox_->setRange(kFieldSizeSpinMin, kFieldSizeSpinMax);
    heightBox_->setRange(kFieldSizeSpinMin, kFieldSizeSpinMax);
    widthBox_->setText(QString::number(width));
    heightBox_->setText(QString::number(height));
    connect(widthBox_, &NumberSpinBox::textChanged, this, &FieldSizeDialog::showTotalCells);
    connect(heightBox_, &NumberSpinBox::textChanged, this, &FieldSizeDialog::showTotalCells);
    connect(ok_, &QPushButton::clicked, this, &FieldSizeDialog::onOk);
    FocusNumberBox(widthBox_);
    showTotalCells();
}

void FieldSizeDialog::showTotalCells() {
    const TotalCellsUpdate update =
        ShowTotalCells(ctx_, widthBox_->text().toStdString(), heightBox_->text().toStdString());
    if (update.reset == SizeBox::None) {
        total_->setText(QString::fromStdString(update.line));
        return;
    }
    // Setting the box is itself a change: the total is shown again for the restored value.
    const QString restored = QString::fromStdString(update.resetText);
    FocusNumberBox(update.reset == SizeBox::Width ? widthBox_ : heightBox_, &restored);
}

void FieldSizeDialog::onOk() {
    const std::string w = widthBox_->text().toStdString();
    const std::string h = heightBox_->text().toStdString();
    const FieldSizeCheck check = CheckFieldSizeOnOk(ctx_, w, h);
    if (!check.accept) {
        if (check.restore) {
            widthBox_->setText(QString::fromStdString(check.restoreWidth));
            heightBox_->setText(QString::fromStdString(check.restoreHeight));
        }
        FocusNumberBox(check.focus == SizeBox::Height ? heightBox_ : widthBox_);
        return;
    }
    // The integer exchange: a text that is not a plain integer is refused here.
    const std::optional<int> width = ExchangeInt(ctx_, w);
    if (!width) return FocusNumberBox(widthBox_);
    const std::optional<int> height = ExchangeInt(ctx_, h);
    if (!height) return FocusNumberBox(heightBox_);
    width_ = *width;
    height_ = *height;
    accept();
}

std::optional<std::pair<int, int>> RunFieldSizeDialog(Context& ctx, int width, int height,
                                                      QWidget* parent) {
    FieldSizeDialog dialog(ctx, width, height, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return std::make_pair(dialog.fieldWidth(), dialog.fieldHeight());
}

}  // namespace gb
