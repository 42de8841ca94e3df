// The move-amount dialog: horizontal and vertical amounts in cells.
#pragma once

#include <QDialog>
#include <optional>
#include <utility>

class QPushButton;

namespace gb {

struct Context;
class NumberSpinBox;

class MoveAmountDialog : public QDialog {
    Q_OBJECT
public:
    explicit MoveAmountDialog(Context& ctx, QWidget* parent = nullptr);

    int horizontal() const { return horizontal_; }
    int vertical() const { return vertical_; }

    NumberSpinBox* horizontalBox() const { return horizontalBox_; }
    NumberSpinBox* verticalBox() const { return verticalBox_; }
    QPushButton* okButton() const { return ok_; }

private:
    void onOk();

    Context& ctx_;
    NumberSpinBox* horizontalBox_;
    NumberSpinBox* verticalBox_;
    QPushButton* ok_;
    int horizontal_ = 0;
    int vertical_ = 0;
};

// Shows the dialog modally; the two amounts, or nothing on cancel.
std::optional<std::pair<int, int>> RunMoveAmountDialog(Context& ctx, QWidget* parent);

}  // namespace gb
