// The Run dialogs: the timer interval (resource 139) and the stop-at-generation target (148).
#pragma once

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <cstdint>

#include "session/run_control.h"
#include "view/number_spin_box.h"

namespace gb {

struct Context;

class TimerIntervalDialog : public QDialog {
    Q_OBJECT
public:
    TimerIntervalDialog(Context& ctx, int interval, QWidget* parent = nullptr);

    NumberSpinBox* field() const { return field_; }
    QDialogButtonBox* buttons() const { return buttons_; }
    int interval() const { return interval_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    Context& ctx_;
    NumberSpinBox* field_;
    QDialogButtonBox* buttons_;
    int interval_;
};

class StopAtDialog : public QDialog {
    Q_OBJECT
public:
    StopAtDialog(Context& ctx, const StopAtValues& initial, QWidget* parent = nullptr);

    NumberSpinBox* absoluteField() const { return absolute_; }
    NumberSpinBox* relativeField() const { return relative_; }
    QLabel* statusLine() const { return status_; }
    QDialogButtonBox* buttons() const { return buttons_; }
    // The confirmed target, after OK.
    std::int32_t target() const { return target_; }

    void accept() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void absoluteChanged();
    void relativeChanged();
    void resetBoth();

    Context& ctx_;
    NumberSpinBox* absolute_;
    NumberSpinBox* relative_;
    QLabel* status_;
    QDialogButtonBox* buttons_;
    std::int32_t target_ = 0;
    bool syncing_ = false;
};

}  // namespace gb
