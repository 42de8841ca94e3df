#include "engine/rule.h"

namespace gb {

namespace {

struct RuleParts {
    std::string survival;
    std::string birth;
};

// Splits at the first "/"; without one, a text starting with "S" is all survival and any other
// text all birth (when lettersDecide is false, everything goes to birth).
RuleParts SplitRule(std::string_view text, bool lettersDecide) {
    const std::size_t slash = text.find('/');
    if (slash != std::string_view::npos)
        return {std::string(text.substr(0, slash)), std::string(text.substr(slash + 1))};
    if (lettersDecide && !text.empty() && text.front() == 'S') return {std::string(text), {}};
    return {{}, std::string(text)};
}

std::string Digits(const std::array<int, 9>& table) {
    std::string out;
    for (int k = 0; k < 9; ++k)
        if (table[static_cast<std::size_t>(k)] == 1) out += static_cast<char>('0' + k);
    return out;
}

}  // namespace

std::string ParseRuleTables(Rule& rule, std::string_view text) {
    RuleParts parts = SplitRule(text, true);
    if (!parts.survival.empty() && parts.survival.front() == 'B' && !parts.birth.empty() &&
        parts.birth.front() == 'S')
        std::swap(parts.survival, parts.birth);
    rule.survivalTable.fill(0);
    rule.birthTable.fill(0);
    for (char c : parts.survival)
        if (c >= '0' && c <= '8') rule.survivalTable[static_cast<std::size_t>(c - '0')] = 1;
    for (char c : parts.birth)
        if (c >= '0' && c <= '8') rule.birthTable[static_cast<std::size_t>(c - '0')] = 1;
    return Digits(rule.survivalTable) + "/" + Digits(rule.birthTable);
}

std::string FormatRuleBS(std::string_view text) {
    RuleParts parts = SplitRule(text, false);
    std::erase(parts.survival, '\n');
    std::erase(parts.birth, '\n');
    if (!parts.survival.empty() && parts.survival.front() == 'B' && !parts.birth.empty() &&
        parts.birth.front() == 'S')
        return std::string(text);
    if (parts.survival.empty()) return "B" + parts.birth;
    if (parts.birth.empty()) return "S" + parts.survival;
    return "B" + parts.birth + "/S" + parts.survival;
}

}  // namespace gb
