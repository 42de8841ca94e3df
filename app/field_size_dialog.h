// The field-size dialog: width and height in cells, with the total number of cells shown while
// the user types.
#pragma once

#include <QDialog>
#include <optional>
#include <utility>

class QLabel;
class QPushButton;

namespace gb {

struct Context;
class NumberSpinBox;

class FieldSizeDialog : public QDialog {
    Q_OBJECT
public:
    FieldSizeDialog(Context& ctx, int width, int height, QWidget* parent = nullptr);

    int fieldWidth() const { return width_; }
    int fieldHeight() const { return height_; }

    NumberSpinBox* widthBox() const { return widthBox_; }
    NumberSpinBox* heightBox() const { return heightBox_; }
    QLabel* totalLine() const { return total_; }
    QPushButton* okButton() const { return ok_; }

private:
    void showTotalCells();
    void onOk();

    Context& ctx_;
    NumberSpinBox* widthBox_;
    NumberSpinBox* heightBox_;
    QLabel* total_;
    QPushButton* ok_;
    int width_;
    int height_;
};

// Shows the dialog modally with the given sizes; the new sizes, or nothing on cancel.
std::optional<std::pair<int, int>> RunFieldSizeDialog(Context& ctx, int width, int height,
                                                      QWidget* parent);

}  // namespace gb
