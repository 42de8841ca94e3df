// A number box with up/down buttons beside it. The text stays free (the dialogs check it
// themselves); the buttons and the arrow keys step the number within a range.
#pragma once

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>
#include <cstdint>

namespace gb {

class SpinField : public QWidget {
    Q_OBJECT
public:
    explicit SpinField(QWidget* parent = nullptr);

    void setRange(std::int32_t low, std::int32_t high);
    QLineEdit* edit() const { return edit_; }
    QString text() const { return edit_->text(); }
    void setText(const QString& text) { edit_->setText(text); }
    // Focus with the whole text selected.
    void focusAll();
    // One step up (+1) or down (−1) from the number in the box, held within the range.
    void stepBy(int steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    std::int32_t low_ = 0;
    std::int32_t high_ = 100;
};

}  // namespace gb
