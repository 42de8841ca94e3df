// The command line of gridbloom-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/engine/field.h"

namespace gb::cli {

enum class Command { Run, Info, Help, Version };

struct Options {
    Command command = Command::Help;
    std::string input;
    std::int64_t generations = 0;
    std::optional<std::string> rule;
    int width = kDefaultFieldSide;
    int height = kDefaultFieldSide;
    std::optional<std::string> output;
    bool life106 = false;
    bool yes = false;
};

// The options, or the reason they are not usable (error set, options meaningless).
struct ParsedArguments {
    Options options;
    std::string error;
};

ParsedArguments ParseArguments(const std::vector<std::string_view>& args);

// "WxH" with W and H whole numbers of at least 1 (and at most kMaxFieldSide). On failure returns
// the reason.
inline constexpr int kMaxFieldSide = 1000000000;
std::optional<std::string> ParseFieldSize(std::string_view text, int& width, int& height);

std::string UsageText();

}  // namespace gb::cli
