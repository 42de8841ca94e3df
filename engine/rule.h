// The current rule: its canonical text and the two tables the step reads, and the ways between
// rule texts and tables.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace gb {

inline constexpr const char* kDefaultRule = "23/3";

struct Rule {
    std::string ruleText = kDefaultRule;
    // Entry s: the value a live (survival) or dead (birth) cell takes with s live neighbours.
    std::array<int, 9> survivalTable{0, 0, 1, 1, 0, 0, 0, 0, 0};
    std::array<int, 9> birthTable{0, 0, 0, 1, 0, 0, 0, 0, 0};
};

// Fills the tables from any rule text ("23/3", "B3/S23", "S23/B3", "B3", ...) and returns the
// canonical survival/birth text ("23/3" for the default rule).
std::string ParseRuleTables(Rule& rule, std::string_view text);

// The lettered form: "23/3" -> "B3/S23", "/3" -> "B3", "23/" -> "S23". Pure.
std::string FormatRuleBS(std::string_view text);

}  // namespace gb
