// The shared shape of the two small number dialogs: "横" and "縦" rows of a label, a number box
// and "セル", with OK and キャンセル beside them.
#pragma once

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "view/number_spin_box.h"

namespace gb {

struct NumberRowsLayout {
    QGridLayout* grid;
    QPushButton* ok;
    QPushButton* cancel;
};

inline NumberRowsLayout LayOutNumberRows(QDialog* dialog, NumberSpinBox* first,
                                         NumberSpinBox* second) {
    auto* grid = new QGridLayout(dialog);
    const auto row = [&](int r, const char* label, NumberSpinBox* box) {
        grid->addWidget(new QLabel(QString::fromUtf8(label), dialog), r, 0);
        grid->addWidget(box, r, 1);
        grid->addWidget(new QLabel(QString::fromUtf8("セル"), dialog), r, 2);
    };
    row(0, "横", first);
    row(1, "縦", second);
    auto* ok = new QPushButton(QStringLiteral("OK"), dialog);
    auto* cancel = new QPushButton(QString::fromUtf8("キャンセル"), dialog);
    ok->setDefault(true);
    cancel->setAutoDefault(false);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    grid->addLayout(buttons, 0, 3, 2, 1);
    grid->setColumnMinimumWidth(2, 30);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return {grid, ok, cancel};
}

// Puts text into box (when given), then focuses it with all its text selected.
inline void FocusNumberBox(NumberSpinBox* box, const QString* text = nullptr) {
    if (text != nullptr) box->setText(*text);
    box->setFocus();
    box->selectAll();
}

}  // namespace gb
