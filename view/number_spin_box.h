// A number box with up/down arrows whose text stays free: the dialogs read it themselves (the
// field-size dialog must see a typed "," to complain about it). The arrows and the arrow keys step
// the leading integer of the text within the range, written without separators.
#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>

namespace gb {

class NumberSpinBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit NumberSpinBox(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }

    void setText(const QString& text);
    QLineEdit* edit() const { return lineEdit(); }

    void stepBy(int steps) override;
    // Focus with the whole text selected.
    void focusAll();

signals:
    void textChanged(const QString& text);

protected:
    StepEnabled stepEnabled() const override;

private:
    int current() const;

    int minimum_ = 0;
    int maximum_ = 0;
};

}  // namespace gb
