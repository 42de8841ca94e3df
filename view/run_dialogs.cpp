#include "view/run_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/context.h"
#include "session/input_numbers.h"
#include "session/shell.h"

namespace gb {

namespace {

QString Utf8(const std::string& s) { return QString::fromStdString(s); }
QString Utf8(const char* s) { return QString::fromUtf8(s); }
std::string Text(const NumberSpinBox* f) { return f->text().toStdString(); }

QDialogButtonBox* OkCancel(QDialog* dialog) {
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return box;
}

}  // namespace

TimerIntervalDialog::TimerIntervalDialog(Context& ctx, int interval, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      field_(new NumberSpinBox(this)),
      buttons_(OkCancel(this)),
      interval_(interval) {
    setWindowTitle(Utf8("タイマーインターバル設定"));
    field_->setRange(kMinTimerInterval, kMaxTimerInterval);
    field_->setText(QString::number(interval));
    auto* row = new QHBoxLayout;
    row->addWidget(field_);
    row->addWidget(new QLabel(Utf8("ミリ秒"), this));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons_);
}

void TimerIntervalDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    field_->focusAll();
}

void TimerIntervalDialog::accept() {
    const IntCheck check = CheckDialogInt(Text(field_), kMinTimerInterval, kMaxTimerInterval);
    if (!check.value) {
        AppMessageBox(ctx_, check.prompt, Icon::Exclamation);
        field_->focusAll();
        return;
    }
    interval_ = *check.value;
    QDialog::accept();
}

StopAtDialog::StopAtDialog(Context& ctx, const StopAtValues& initial, QWidget* parent)
    : QDialog(parent),
      ctx_(ctx),
      absolute_(new NumberSpinBox(this)),
      relative_(new NumberSpinBox(this)),
      status_(new QLabel(this)),
      buttons_(OkCancel(this)) {
    setWindowTitle(Utf8(kStopAtCaption));
    const std::int32_t generation = ctx.field.generation;
    absolute_->setRange(generation < kMaxStopGeneration ? generation + 1 : kMaxStopGeneration,
                        kMaxStopGeneration);
    relative_->setRange(1, kMaxStopGeneration);
    absolute_->setText(QString::number(initial.absolute));
    relative_->setText(QString::number(initial.relative));
    status_->setText(Utf8(StopAtStatusLine(generation)));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(Utf8("第"), this), 0, 0);
    grid->addWidget(absolute_, 0, 1);
    grid->addWidget(new QLabel(Utf8("世代で停止"), this), 0, 2);
    grid->addWidget(relative_, 1, 1);
    grid->addWidget(new QLabel(Utf8("世代先で停止"), this), 1, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(status_);
    layout->addWidget(buttons_);

    connect(absolute_->edit(), &QLineEdit::textChanged, this, [this] { absoluteChanged(); });
    connect(relative_->edit(), &QLineEdit::textChanged, this, [this] { relativeChanged(); });
}

void StopAtDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    absolute_->focusAll();
}

void StopAtDialog::absoluteChanged() {
    if (syncing_) return;
    const std::int32_t generation = ctx_.field.generation;
    syncing_ = true;
    if (HasComma(Text(absolute_))) {
        ViewMessageBox(ctx_, kAppName, kCommaMessage, Icon::Exclamation);
        absolute_->setText(Utf8(FormatInt(static_cast<double>(generation) + 1)));
        absolute_->focusAll();
        // The reset is a change like any other: the relative field follows it.
    }
    if (auto r = RelativeForAbsolute(Text(absolute_), Text(relative_), generation))
        relative_->setText(Utf8(*r));
    syncing_ = false;
}

void StopAtDialog::relativeChanged() {
    if (syncing_) return;
    const std::int32_t generation = ctx_.field.generation;
    syncing_ = true;
    if (HasComma(Text(relative_))) {
        ViewMessageBox(ctx_, kAppName, kCommaMessage, Icon::Exclamation);
        relative_->setText(QStringLiteral("1"));
        relative_->focusAll();
    }
    if (auto a = AbsoluteForRelative(Text(relative_), Text(absolute_), generation))
        absolute_->setText(Utf8(*a));
    syncing_ = false;
}

void StopAtDialog::resetBoth() {
    syncing_ = true;
    absolute_->setText(Utf8(FormatInt(static_cast<double>(ctx_.field.generation) + 1)));
    relative_->setText(QStringLiteral("1"));
    syncing_ = false;
    absolute_->focusAll();
}

void StopAtDialog::accept() {
    if (!TargetIsAhead(Text(absolute_), ctx_.field.generation)) {
        ctx_.shell.messageCaption = kStopAtCaption;
        AppMessageBox(ctx_, kPastGenerationMessage, Icon::None);
        resetBoth();
        return;
    }
    // The exchange: both fields must hold integers.
    for (NumberSpinBox* f : {absolute_, relative_}) {
        if (!ParseStrictInt(Text(f))) {
            AppMessageBox(ctx_, IntegerPrompt(), Icon::Exclamation);
            f->focusAll();
            return;
        }
    }
    target_ = *ParseStrictInt(Text(absolute_));
    QDialog::accept();
}

}  // namespace gb
