// The rule command: checking a rule text typed into the rule dialog, and applying its result.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace gb {

struct Context;

// Outcome of checking a typed rule text. When ok, rule is the text with full-width "０"-"８" and
// "／" turned into ASCII; otherwise caption and text are the failure's box.
struct RuleTextCheck {
    bool ok = false;
    std::string rule;
    std::string caption;
    std::string text;
};

// The four checks in order: empty, unrecognisable characters, ambiguous, two or more "/".
RuleTextCheck ValidateRuleText(std::string_view text);

// What the rule dialog's OK does: the accepted text, or nothing after the failure's box
// (exclamation, caption through messageCaption). On nothing the dialog puts ruleText back into
// its box, focuses it and selects it all.
std::optional<std::string> RuleDialogOk(Context& ctx, std::string_view text);

// Shows the rule dialog modally with the given text; nothing on cancel.
using RuleDialogRunner = std::function<std::optional<std::string>(const std::string& initial)>;

// The rule command: pause, dialog, apply the result (with its report), resume.
void EditRule(Context& ctx, const RuleDialogRunner& runDialog);

}  // namespace gb
