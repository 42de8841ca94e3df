#include "app/life_format_dialog.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace gb {

LifeFormatDialog::LifeFormatDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromUtf8("保存フォーマット指定"));
    auto* group = new QGroupBox(QString::fromUtf8("保存フォーマット"), this);
    life105_ = new QRadioButton(QString::fromUtf8("Life 1.05 形式で保存する"), group);
    life106_ = new QRadioButton(QString::fromUtf8("Life 1.06 形式で保存する"), group);
    life105_->setObjectName(QStringLiteral("control%1").arg(kLife105Id));
    life106_->setObjectName(QStringLiteral("control%1").arg(kLife106Id));
    group_ = new QButtonGroup(this);
    group_->addButton(life105_, 0);
    group_->addButton(life106_, 1);
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(life105_);
    groupLayout->addWidget(life106_);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QString::fromUtf8("キャンセル"), this);
    cancel_->setVisible(false);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok_);
    row->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(row);
}

int LifeFormatDialog::exec() {
    // The group is exclusive for the user; "neither checked" (-1) is shown as it is.
    group_->setExclusive(false);
    life105_->setChecked(lifeFormat == 0);
    life106_->setChecked(lifeFormat == 1);
    group_->setExclusive(true);
    return QDialog::exec();
}

void LifeFormatDialog::accept() {
    lifeFormat = life105_->isChecked() ? 0 : (life106_->isChecked() ? 1 : -1);
    QDialog::accept();
}

LifeFormat AskLifeFormat(QWidget* parent, LifeWriteSettings& settings) {
    LifeFormatDialog dialog(parent);
    dialog.lifeFormat = settings.lastLifeFormat;
    const bool accepted = dialog.exec() == QDialog::Accepted;
    return ChooseLifeFormat(settings, accepted, dialog.lifeFormat);
}

}  // namespace gb
