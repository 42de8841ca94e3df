// Applying a rule as the user sees it: the tables filled, and the report of any rule other than
// the default.
#pragma once

#include <string>
#include <string_view>

#include "engine/rule.h"

namespace gb {

struct Context;

// Fills the tables from any rule text and returns the canonical survival/birth text. Shows the
// rule report when the rule is not "23/3". The caller stores the result in ruleText.
std::string ApplyRule(Context& ctx, std::string_view text);

// The report text for the rule now in the tables.
std::string RuleReportText(const Rule& rule, const std::string& canonical);

}  // namespace gb
