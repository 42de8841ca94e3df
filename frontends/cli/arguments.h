// The command line of gridbloom-cli.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/field.h"

namespace gb::cli {

enum class Command { Run, Info, Help, Version };

// The pattern format chosen with --as.
enum class Format { Rle, Life, Text };

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr int kMaxCellPixels = 20;
inline constexpr std::int64_t kSettleLimit = 100000;  // -g when --until settled is given alone
inline constexpr int kDefaultMaxPeriod = 1000;
inline constexpr int kDefaultDelayMs = 40;
inline constexpr int kMaxDelayMs = 655350;  // a GIF frame delay is 16 bits of 1/100 s

struct Options {
    Command command = Command::Help;
    std::string input;
    std::int64_t generations = 0;
    bool generationsGiven = false;
    std::optional<std::string> rule;
    int width = kDefaultFieldSide;
    int height = kDefaultFieldSide;
    std::optional<std::string> output;
    bool life106 = false;
    bool yes = false;
    bool verbose = false;  // the file's notice texts on standard error (run)
    std::optional<Format> as;

    std::int64_t every = 0;            // 0: no statistics rows
    std::optional<std::string> stats;  // where the rows go ("-": standard output)
    bool untilSettled = false;
    int maxPeriod = kDefaultMaxPeriod;

    std::optional<std::string> png;
    std::optional<std::string> gif;
    int cell = 1;
    bool crop = false;
    std::optional<Rgb> live;
    std::optional<Rgb> back;
    int delayMs = kDefaultDelayMs;
    bool json = false;

    // The generations the run goes to: -g, or the settling limit when only --until is given.
    std::int64_t limit() const {
        return untilSettled && !generationsGiven ? kSettleLimit : generations;
    }
    // Every how many generations the statistics rows and the GIF frames are taken.
    std::int64_t frameEvery() const { return every > 0 ? every : 1; }
    bool statsWanted() const { return every > 0 || stats.has_value(); }
    bool statsToStdout() const { return statsWanted() && (!stats || *stats == "-"); }
    bool patternToStdout() const { return output && *output == "-"; }
};

// The options, or the reason they are not usable (error set, options meaningless).
struct ParsedArguments {
    Options options;
    std::string error;
};

// Parses the arguments after the program name.
ParsedArguments ParseArguments(const std::vector<std::string>& args);

// "WxH" with W and H whole numbers of at least 1 (and at most kMaxFieldSide). On failure returns
// the reason.
inline constexpr int kMaxFieldSide = 1000000000;
std::optional<std::string> ParseFieldSize(std::string_view text, int& width, int& height);

// "RRGGBB" in hexadecimal, with or without a leading "#".
std::optional<Rgb> ParseColour(std::string_view text);

std::string UsageText();

}  // namespace gb::cli
