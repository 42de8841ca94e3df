#include "view/number_spin_box.h"

#include <algorithm>

#include "session/input_numbers.h"

namespace gb {

NumberSpinBox::NumberSpinBox(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 24);
    connect(lineEdit(), &QLineEdit::textChanged, this, &NumberSpinBox::textChanged);
}

void NumberSpinBox::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
}

void NumberSpinBox::setText(const QString& text) { lineEdit()->setText(text); }

int NumberSpinBox::current() const {
    const std::int64_t value = LeadingInteger(text().toStdString());
    return static_cast<int>(std::clamp<std::int64_t>(value, minimum_, maximum_));
}

void NumberSpinBox::stepBy(int steps) {
    const std::int64_t next = std::int64_t{current()} + steps;
    setText(QString::number(std::clamp<std::int64_t>(next, minimum_, maximum_)));
    selectAll();
}

void NumberSpinBox::focusAll() {
    setFocus();
    selectAll();
}

QAbstractSpinBox::StepEnabled NumberSpinBox::stepEnabled() const {
    const int value = current();
    StepEnabled enabled = StepNone;
    if (value < maximum_) enabled |= StepUpEnabled;
    if (value > minimum_) enabled |= StepDownEnabled;
    return enabled;
}

}  // namespace gb
