// The rule dialog: one text box for the rule, a button that puts the default rule back, and OK
// running the rule check.
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;
class QPushButton;

namespace gb {

struct Context;

class RuleDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxRuleLength = 38;

    RuleDialog(Context& ctx, const QString& text, QWidget* parent = nullptr);

    // The accepted text (full-width digits and "／" already made ASCII).
    const std::string& ruleResult() const { return result_; }

    QLineEdit* ruleEdit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* defaultButton() const { return default_; }

private:
    void onOk();
    void selectRuleText();

    Context& ctx_;
    QLineEdit* edit_;
    QPushButton* default_;
    QPushButton* ok_;
    std::string result_;
};

// Shows the dialog modally; the accepted text, or nothing on cancel.
std::optional<std::string> RunRuleDialog(Context& ctx, const std::string& text, QWidget* parent);

}  // namespace gb
