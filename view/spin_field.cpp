#include "view/spin_field.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "core/input_numbers.h"

namespace gb {

SpinField::SpinField(QWidget* parent)
    : QWidget(parent), edit_(new QLineEdit(this)), up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_);
    auto* buttons = new QVBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(0);
    for (QToolButton* b : {up_, down_}) {
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(16, 11);
        buttons->addWidget(b);
    }
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    row->addLayout(buttons);
    setFocusProxy(edit_);
    edit_->installEventFilter(this);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void SpinField::setRange(std::int32_t low, std::int32_t high) {
    low_ = low;
    high_ = std::max(low, high);
}

void SpinField::focusAll() {
    edit_->setFocus(Qt::OtherFocusReason);
    edit_->selectAll();
}

void SpinField::stepBy(int steps) {
    const double v = std::clamp(LenientNumber(edit_->text().toStdString()) + steps,
                                static_cast<double>(low_), static_cast<double>(high_));
    edit_->setText(QString::fromStdString(FormatInt(v)));
    edit_->selectAll();
}

bool SpinField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            stepBy(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace gb
