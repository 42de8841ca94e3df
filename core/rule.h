// The current rule: its canonical text and the two tables the step reads.
#pragma once

#include <array>
#include <string>

namespace gb {

inline constexpr const char* kDefaultRule = "23/3";

struct Rule {
    std::string ruleText = kDefaultRule;
    // Entry s: the value a live (survival) or dead (birth) cell takes with s live neighbours.
    std::array<int, 9> survivalTable{0, 0, 1, 1, 0, 0, 0, 0, 0};
    std::array<int, 9> birthTable{0, 0, 0, 1, 0, 0, 0, 0, 0};
};

}  // namespace gb
