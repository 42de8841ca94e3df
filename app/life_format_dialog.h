// The Life save-format dialog (resource 144): two radio buttons and OK; Esc and the close box end
// it without OK, and the save then goes ahead in the last format used.
#pragma once

#include <QDialog>

#include "formats/life_file.h"

class QButtonGroup;
class QRadioButton;
class QPushButton;

namespace gb {

class LifeFormatDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kLife105Id = 1008;
    static constexpr int kLife106Id = 1009;

    explicit LifeFormatDialog(QWidget* parent = nullptr);

    // Index of the checked radio button; -1 when neither is checked.
    int lifeFormat = -1;

    QRadioButton* radio(int index) const { return index == 0 ? life105_ : life106_; }
    QPushButton* okButton() const { return ok_; }

    int exec() override;
    void accept() override;

private:
    QButtonGroup* group_;
    QRadioButton* life105_;
    QRadioButton* life106_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// Shows the dialog with the last format checked and returns the format to write, remembering
// the choice when OK was pressed.
LifeFormat AskLifeFormat(QWidget* parent, LifeWriteSettings& settings);

}  // namespace gb
