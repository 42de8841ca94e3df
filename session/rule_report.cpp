#include "session/rule_report.h"

#include "session/context.h"
#include "session/shell.h"

namespace gb {

std::string RuleReportText(const Rule& rule, const std::string& canonical) {
    const auto marks = [](const std::array<int, 9>& table) {
        std::string row;
        for (int v : table) {
            row += "  ";
            row += v == 1 ? '*' : '-';
        }
        return row;
    };
    return "適用されるルール   " + canonical + "   (" + FormatRuleBS(canonical) +
           ")\r\n\r\n隣人  0  1  2  3  4  5  6  7  8\r\n--------------------------\n\r生存" +
           marks(rule.survivalTable) + "\r\n誕生" + marks(rule.birthTable);
}

std::string ApplyRule(Context& ctx, std::string_view text) {
    std::string canonical = ParseRuleTables(ctx.rule, text);
    if (canonical != kDefaultRule) {
        ctx.shell.messageCaption = "デフォルト(23/3)以外のルールが適用されます。";
        AppMessageBox(ctx, RuleReportText(ctx.rule, canonical), Icon::Information);
    }
    return canonical;
}

}  // namespace gb
