// The zoom dialog (resource 132): the zoom as a number, 1 for one pixel per cell, 0 and below for
// the reduced zooms 1/2 .. 1/32.
#pragma once

#include <QDialog>
#include <QDialogButtonBox>

#include "view/number_spin_box.h"

namespace gb {

struct Context;

class ZoomDialog : public QDialog {
    Q_OBJECT
public:
    ZoomDialog(Context& ctx, int shown, QWidget* parent = nullptr);

    NumberSpinBox* field() const { return field_; }
    QDialogButtonBox* buttons() const { return buttons_; }
    int number() const { return number_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Context& ctx_;
    NumberSpinBox* field_;
    QDialogButtonBox* buttons_;
    int number_;
};

}  // namespace gb
