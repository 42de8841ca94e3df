#include "frontends/cli/arguments.h"

#include <limits>

namespace gb::cli {

namespace {

// A whole number of decimal digits only, at most limit; nothing otherwise.
std::optional<std::int64_t> ParseCount(std::string_view text, std::int64_t limit) {
    if (text.empty()) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        const int digit = c - '0';
        if (value > (limit - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

}  // namespace

std::optional<std::string> ParseFieldSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    const std::string wrong = "bad field size " + Quoted(text) +
                              ": give WIDTHxHEIGHT, two whole numbers of at least 1 (such as 1200x1200)";
    if (x == std::string_view::npos) return wrong;
    const std::string_view ws = text.substr(0, x);
    const std::string_view hs = text.substr(x + 1);
    const auto digitsOnly = [](std::string_view s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (!digitsOnly(ws) || !digitsOnly(hs)) return wrong;
    const auto w = ParseCount(ws, kMaxFieldSide);
    const auto h = ParseCount(hs, kMaxFieldSide);
    if (!w || !h) return "field size " + Quoted(text) + " is too large";
    if (*w < 1 || *h < 1) return wrong;
    width = static_cast<int>(*w);
    height = static_cast<int>(*h);
    return std::nullopt;
}

ParsedArguments ParseArguments(const std::vector<std::string_view>& args) {
    ParsedArguments parsed;
    Options& o = parsed.options;
    const auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    if (args.empty()) return fail("no command given");
    const std::string_view first = args[0];
    if (first == "--help" || first == "-h") {
        o.command = Command::Help;
        return parsed;
    }
    if (first == "--version") {
        o.command = Command::Version;
        return parsed;
    }
    if (first == "run")
        o.command = Command::Run;
    else if (first == "info")
        o.command = Command::Info;
    else
        return fail("unknown command " + Quoted(first));

    const bool run = o.command == Command::Run;
    bool haveInput = false;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view a = args[i];
        const bool isOption = !optionsEnded && a.size() > 1 && a[0] == '-';
        if (!isOption) {
            if (haveInput) return fail("more than one input file (" + Quoted(o.input) + " and " + Quoted(a) + ")");
            o.input = std::string(a);
            haveInput = true;
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            o.command = Command::Help;
            parsed.error.clear();
            return parsed;
        }
        if (a == "--yes") {
            o.yes = true;
            continue;
        }
        if (a == "--life106" && run) {
            o.life106 = true;
            continue;
        }
        const bool takesValue = a == "-s" || (run && (a == "-g" || a == "-r" || a == "-o"));
        if (!takesValue) {
            if (!run && (a == "-g" || a == "-r" || a == "-o" || a == "--life106"))
                return fail(Quoted(a) + " belongs to the run command");
            return fail("unknown option " + Quoted(a));
        }
        if (i + 1 >= args.size()) return fail(Quoted(a) + " needs a value");
        const std::string_view value = args[++i];
        if (a == "-s") {
            if (auto error = ParseFieldSize(value, o.width, o.height)) return fail(*error);
        } else if (a == "-g") {
            const auto n = ParseCount(value, std::numeric_limits<std::int64_t>::max());
            if (!n) return fail("bad generation count " + Quoted(value) + ": give a whole number of at least 0");
            o.generations = *n;
        } else if (a == "-r") {
            o.rule = std::string(value);
        } else {
            if (value.empty()) return fail("-o needs a file name");
            o.output = std::string(value);
        }
    }
    if (!haveInput) return fail("no input file given");
    return parsed;
}

std::string UsageText() {
    return R"(Usage:
  gridbloom-cli run  INPUT [-g N] [-r RULE] [-s WxH] [-o OUTPUT] [--life106] [--yes]
  gridbloom-cli info INPUT [-s WxH] [--yes]
  gridbloom-cli --help | --version

Both commands build a field of W x H cells (default 1200x1200) and load INPUT as the program's
Open command does: by its extension, ".txt" and ".lif" by their own readers, anything else as RLE.

run   applies RULE (checked as the rule dialog checks it), advances N generations (default 0)
      and prints four lines: the rule, the generation, the population and the extent of the
      live cells (LEFT TOP RIGHT BOTTOM WIDTH HEIGHT in grid coordinates, or "none").
      With -o it saves the field to OUTPUT by its extension: ".rle"; ".lif" as Life 1.05, or
      as Life 1.06 with --life106; ".txt"; anything else as RLE after a warning.
info  prints the same four lines for the file as loaded, then the name, author, comment and
      description texts the file holds.

Options:
  -g N        generations to advance (run)
  -r RULE     the rule, such as 23/3, B3/S23 or B36/S23 (run)
  -s WxH      the field size in cells
  -o OUTPUT   the file to save the field to (run)
  --life106   write ".lif" files as Life 1.06 (run)
  --yes       answer Yes to the program's questions (without it: No)
  --          ends the options (for a file name starting with "-")

The messages the program shows in boxes go to standard error: a caption line, then the text.
Exit status: 0 success; 1 the input was refused or could not be read, or OUTPUT could not be
written; 2 a usage error, a bad field size or a rejected rule.
)";
}

}  // namespace gb::cli
