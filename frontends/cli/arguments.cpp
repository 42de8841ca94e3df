#include "frontends/cli/arguments.h"

#include <getopt.h>

#include <cctype>
#include <limits>
#include <set>
#include <utility>

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

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Codes of the options that have no short form.
enum LongOnly : int {
    kLife106 = 256,
    kYes,
    kAs,
    kEvery,
    kStats,
    kUntil,
    kMaxPeriod,
    kPng,
    kGif,
    kCell,
    kCrop,
    kLive,
    kBack,
    kDelay,
    kJson,
    kVersion,
};

const option kLongOptions[] = {
    {"generations", required_argument, nullptr, 'g'},
    {"rule", required_argument, nullptr, 'r'},
    {"size", required_argument, nullptr, 's'},
    {"output", required_argument, nullptr, 'o'},
    {"life106", no_argument, nullptr, kLife106},
    {"yes", no_argument, nullptr, kYes},
    {"as", required_argument, nullptr, kAs},
    {"every", required_argument, nullptr, kEvery},
    {"stats", required_argument, nullptr, kStats},
    {"until", required_argument, nullptr, kUntil},
    {"max-period", required_argument, nullptr, kMaxPeriod},
    {"png", required_argument, nullptr, kPng},
    {"gif", required_argument, nullptr, kGif},
    {"cell", required_argument, nullptr, kCell},
    {"crop", no_argument, nullptr, kCrop},
    {"live", required_argument, nullptr, kLive},
    {"back", required_argument, nullptr, kBack},
    {"delay", required_argument, nullptr, kDelay},
    {"json", no_argument, nullptr, kJson},
    {"verbose", no_argument, nullptr, 'v'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0},
};

// The options that only make sense when generations are run.
const std::set<int> kRunOnly = {'g',    'r',    'o',        'v',  kLife106, kEvery,
                                kStats, kUntil, kMaxPeriod, kGif, kDelay};

// The name an option is reported by: its short form when it has one.
std::string OptionName(int code) {
    if (code < 256) return std::string("-") + static_cast<char>(code);
    for (const option& o : kLongOptions)
        if (o.name != nullptr && o.val == code) return std::string("--") + o.name;
    return "?";
}

std::string WholeNumberError(int code, std::string_view value, std::int64_t low,
                             std::int64_t high) {
    return "bad " + OptionName(code) + " value " + Quoted(value) + ": give a whole number from " +
           std::to_string(low) + " to " + std::to_string(high);
}

}  // namespace

std::optional<std::string> ParseFieldSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find_first_of("xX");
    const std::string wrong =
        "bad field size " + Quoted(text) +
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

std::optional<Rgb> ParseColour(std::string_view text) {
    if (!text.empty() && text.front() == '#') text.remove_prefix(1);
    if (text.size() != 6) return std::nullopt;
    Rgb value = 0;
    for (char c : text) {
        const int lower = std::tolower(static_cast<unsigned char>(c));
        int digit;
        if (lower >= '0' && lower <= '9')
            digit = lower - '0';
        else if (lower >= 'a' && lower <= 'f')
            digit = lower - 'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + static_cast<Rgb>(digit);
    }
    return value;
}

namespace {

// The first problem found is the one reported.
void Note(std::string& error, std::string message) {
    if (error.empty()) error = std::move(message);
}

// Takes option c, typed as name, with its value into o; a bad value is noted in error.
void TakeOption(Options& o, int c, const std::string& name, std::string_view value,
                std::string& error) {
    const auto note = [&](std::string message) { Note(error, std::move(message)); };
    switch (c) {
        case 'g': {
            const auto n = ParseCount(value, std::numeric_limits<std::int64_t>::max());
            if (!n)
                note("bad generation count " + Quoted(value) +
                     ": give a whole number of at least 0");
            else
                o.generations = *n, o.generationsGiven = true;
            break;
        }
        case 'r': o.rule = std::string(value); break;
        case 's':
            if (auto e = ParseFieldSize(value, o.width, o.height)) note(*e);
            break;
        case 'o':
            if (value.empty())
                note("-o needs a file name");
            else
                o.output = std::string(value);
            break;
        case 'v': o.verbose = true; break;
        case kLife106: o.life106 = true; break;
        case kYes: o.yes = true; break;
        case kAs: {
            const std::string kind = Lower(value);
            if (kind == "rle")
                o.as = Format::Rle;
            else if (kind == "lif")
                o.as = Format::Life;
            else if (kind == "txt")
                o.as = Format::Text;
            else
                note("unknown format " + Quoted(value) + " for --as: give rle, lif or txt");
            break;
        }
        case kEvery: {
            const auto n = ParseCount(value, std::numeric_limits<std::int64_t>::max());
            if (!n || *n < 1)
                note("bad --every value " + Quoted(value) + ": give a whole number of at least 1");
            else
                o.every = *n;
            break;
        }
        case kStats:
        case kPng:
        case kGif: {
            if (value.empty()) {
                note(name + " needs a file name");
                break;
            }
            (c == kStats ? o.stats : c == kPng ? o.png : o.gif) = std::string(value);
            break;
        }
        case kUntil:
            if (value == "settled")
                o.untilSettled = true;
            else
                note("unknown condition " + Quoted(value) + " for --until: give settled");
            break;
        case kMaxPeriod: {
            constexpr std::int64_t kHighest = 1000000;
            const auto n = ParseCount(value, kHighest);
            if (!n || *n < 1)
                note(WholeNumberError(c, value, 1, kHighest));
            else
                o.maxPeriod = static_cast<int>(*n);
            break;
        }
        case kCell: {
            const auto n = ParseCount(value, kMaxCellPixels);
            if (!n || *n < 1)
                note(WholeNumberError(c, value, 1, kMaxCellPixels));
            else
                o.cell = static_cast<int>(*n);
            break;
        }
        case kDelay: {
            const auto n = ParseCount(value, kMaxDelayMs);
            if (!n)
                note(WholeNumberError(c, value, 0, kMaxDelayMs));
            else
                o.delayMs = static_cast<int>(*n);
            break;
        }
        case kCrop: o.crop = true; break;
        case kLive:
        case kBack: {
            const auto colour = ParseColour(value);
            if (!colour)
                note("bad colour " + Quoted(value) + " for " + name +
                     ": give RRGGBB in hexadecimal (such as FF0000)");
            else
                (c == kLive ? o.live : o.back) = *colour;
            break;
        }
        case kJson: o.json = true; break;
        default: note("unknown option"); break;
    }
}

// The command and its input file from the operands left after the options, then the checks that
// need the whole command line.
ParsedArguments CheckOperands(ParsedArguments parsed, const std::vector<std::string>& rest,
                              bool version, const std::vector<std::pair<int, std::string>>& given) {
    Options& o = parsed.options;
    const auto fail = [&](std::string message) {
        parsed.error = std::move(message);
        return parsed;
    };
    if (rest.empty()) {
        if (version) {
            o.command = Command::Version;
            return parsed;
        }
        return fail("no command given");
    }
    if (rest[0] == "run")
        o.command = Command::Run;
    else if (rest[0] == "info")
        o.command = Command::Info;
    else
        return fail("unknown command " + Quoted(rest[0]));
    if (rest.size() < 2) return fail("no input file given");
    if (rest.size() > 2)
        return fail("more than one input file (" + Quoted(rest[1]) + " and " + Quoted(rest[2]) +
                    ")");
    o.input = rest[1];
    if (o.input.empty()) return fail("no input file given");

    if (o.command == Command::Info)
        for (const auto& [code, name] : given)
            if (kRunOnly.count(code) != 0)
                return fail(Quoted(name) + " belongs to the run command");

    // Standard output can carry one stream of data only.
    std::vector<std::string> toStdout;
    if (o.patternToStdout()) toStdout.push_back("-o -");
    if (o.statsToStdout()) toStdout.push_back(o.stats ? "--stats -" : "the rows of --every");
    if (o.png && *o.png == "-") toStdout.push_back("--png -");
    if (o.gif && *o.gif == "-") toStdout.push_back("--gif -");
    if (toStdout.size() > 1)
        return fail("only one of " + toStdout[0] + " and " + toStdout[1] +
                    " can go to standard output (--stats FILE sends the rows to a file)");
    return parsed;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
    ParsedArguments parsed;

    // getopt_long takes a C argument vector it may permute: a private copy of the strings.
    std::vector<std::string> storage;
    storage.reserve(args.size() + 1);
    storage.emplace_back("gridbloom-cli");
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    argv.reserve(storage.size() + 1);
    for (std::string& s : storage) argv.push_back(s.data());
    argv.push_back(nullptr);
    const int argc = static_cast<int>(storage.size());

    std::string error;  // the first problem found; --help anywhere still wins
    bool help = false, version = false;
    std::vector<std::pair<int, std::string>> given;  // code and name as typed

    optind = 0;  // a full restart of getopt's scan
    opterr = 0;
    for (;;) {
        int longIndex = -1;
        const int c = getopt_long(argc, argv.data(), ":g:r:s:o:hv", kLongOptions, &longIndex);
        if (c == -1) break;
        if (c == '?') {
            const std::string typed = optopt != 0 ? std::string("-") + static_cast<char>(optopt)
                                                  : std::string(argv[optind - 1]);
            Note(error, "unknown option " + Quoted(typed.substr(0, typed.find('='))));
            continue;
        }
        if (c == ':') {
            const std::string typed = optopt != 0 && optopt < 256 && argv[optind - 1][1] != '-'
                                          ? std::string("-") + static_cast<char>(optopt)
                                          : std::string(argv[optind - 1]);
            Note(error, Quoted(typed) + " needs a value");
            continue;
        }
        const std::string name = longIndex >= 0 ? std::string("--") + kLongOptions[longIndex].name
                                                : std::string("-") + static_cast<char>(c);
        given.emplace_back(c, name);
        const std::string_view value =
            optarg != nullptr ? std::string_view(optarg) : std::string_view();
        if (c == 'h')
            help = true;
        else if (c == kVersion)
            version = true;
        else
            TakeOption(parsed.options, c, name, value, error);
    }

    if (help) {
        parsed.options.command = Command::Help;
        return parsed;
    }
    if (!error.empty()) {
        parsed.error = error;
        return parsed;
    }
    // Rebuilt from argv: getopt may have moved the operands behind the options.
    std::vector<std::string> rest;
    for (int i = optind; i < argc; ++i) rest.emplace_back(argv[static_cast<std::size_t>(i)]);
    return CheckOperands(std::move(parsed), rest, version, given);
}

std::string UsageText() {
    return R"(Usage:
  gridbloom-cli run  INPUT [options]
  gridbloom-cli info INPUT [options]
  gridbloom-cli --help | --version

Both commands build a field of W x H cells (default 1200x1200) and load INPUT as the program's
Open command does: by its extension, ".txt", ".cells" and ".lif" by their own readers, anything
else as RLE. The field is bounded, with dead cells beyond its edge: a rule's topology suffix
(":T100,100", ":P60,40") is not used, and a warning says so.
INPUT "-" reads standard input (as RLE unless --as says otherwise); pipes and process
substitutions are read to their end like files. Options and operands may come in any order.

run   applies RULE (checked as the rule dialog checks it), advances N generations (default 0)
      and prints four lines: the rule, the generation, the population and the extent of the
      live cells (LEFT TOP RIGHT BOTTOM WIDTH HEIGHT in grid coordinates, or "none").
      With -o it saves the field to OUTPUT by its extension: ".rle"; ".lif" as Life 1.05, or
      as Life 1.06 with --life106; ".txt"; anything else as RLE after a warning.
info  prints the same four lines for the file as loaded, then the name, author, comment and
      description texts the file holds (run shows them only with --verbose).

Options:
  -g, --generations N  generations to advance (run)
  -r, --rule RULE      the rule, such as 23/3, B3/S23, b36/s23 or B3/S23:T100,100 (run)
  -s, --size WxH       the field size in cells
  -o, --output FILE    the file to save the field to; "-" writes the pattern to standard output
                       in the --as format (default RLE) and the summary to standard error (run)
      --life106        write Life files as Life 1.06 (run)
      --as FORMAT      rle, lif or txt: the reader for an INPUT whose name does not end in
                       .rle, .lif, .txt or .cells (such as "-"), and the writer for -o -
      --yes            answer Yes to the program's questions (without it: No)
  -v, --verbose        show the file's name, author, comment and description texts on
                       standard error, as the program shows them after a load (run)
      --every N        a statistics row every N generations, generation 0 included, as CSV:
                       generation,population,left,top,right,bottom,width,height (run)
      --stats FILE     where the statistics rows go ("-": standard output, the default);
                       without --every a row for every generation (run)
      --until settled  stop at the first generation whose field equals one of the last
                       --max-period fields (the limit -g defaults to 100000 then) and print
                       "settled G period P", or "settled none" (run)
      --max-period P   the longest period looked for (default 1000) (run)
      --png FILE       a PNG picture of the field at the end ("-": standard output)
      --gif FILE       an animated GIF of the run, a frame every --every generations
                       (default every generation; "-": standard output) (run)
      --cell N         pixels per cell in the pictures, 1 to 20 (default 1)
      --crop           pictures show the live extent and a one-cell margin (for a GIF the
                       union of the extents of its frames), not the whole field
      --live RRGGBB    colour of the live cells (default FF0000)
      --back RRGGBB    colour of the background (default FFFFFF)
      --delay MS       time between GIF frames in milliseconds (default 40) (run)
      --json           the summary as one JSON object instead of the lines
  -h, --help           this text
      --version        the version
  --                   ends the options (for a file name starting with "-")

When standard output carries data (-o -, the statistics rows, --png - or --gif -), the summary
goes to standard error. On a terminal a long run shows its progress on standard error.
The messages the program shows in boxes go to standard error: a caption line, then the text,
in English, or as the program writes them (Japanese) when the first of LC_ALL, LC_MESSAGES and
LANG that is set starts with "ja".
Exit status: 0 success; 1 the input was refused or could not be read, or an output could not be
written; 2 a usage error, a bad field size or a rejected rule, or a GIF that would be too large.
)";
}

}  // namespace gb::cli
