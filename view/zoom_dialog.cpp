#include "view/zoom_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "session/context.h"
#include "session/input_numbers.h"
#include "session/scroll.h"
#include "session/shell.h"

namespace gb {

ZoomDialog::ZoomDialog(Context& ctx, int shown, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      field_(new NumberSpinBox(this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)),
      number_(shown) {
    setWindowTitle(QString::fromUtf8("拡大率設定"));
    field_->setRange(kMinZoomNumber, kMaxZoomNumber);
    field_->setText(QString::number(shown));
    auto* row = new QHBoxLayout;
    row->addWidget(field_);
    row->addWidget(new QLabel(
        QString::fromUtf8("0以下で縮小表示\n1で1セル=1ピクセル\n2以上で拡大表示"), this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void ZoomDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    field_->focusAll();
}

void ZoomDialog::accept() {
    const IntCheck check =
        CheckDialogInt(field_->text().toStdString(), kMinZoomNumber, kMaxZoomNumber);
    if (!check.value) {
        AppMessageBox(ctx_, check.prompt, Icon::Exclamation);
        field_->focusAll();
        return;
    }
    number_ = *check.value;
    QDialog::accept();
}

}  // namespace gb
