// gridbloom-cli: loads, runs, measures and saves patterns without a window, through the same
// readers, step and writers as the program.
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "core/context.h"
#include "core/engine/extent.h"
#include "core/frame.h"
#include "core/engine/rule.h"
#include "core/rule_edit.h"
#include "core/shell.h"
#include "core/engine/step.h"
#include "formats/document.h"
#include "formats/life_file.h"
#include "frontends/cli/arguments.h"
#include "frontends/cli/cli_host.h"

namespace gb::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

void Complain(const std::string& message) { std::cerr << "gridbloom-cli: " << message << '\n'; }

// The Field of width × height interior cells with its staging grid, allocated as at start-up.
// The blocks are requested before any size is set, so a size too large for them is refused by
// the allocations (with their boxes) before anything is computed from it.
bool BuildField(Context& ctx, int width, int height) {
    Field& f = ctx.field;
    const int gridWidth = width + 2;
    const int gridHeight = height + 2;
    if (AllocateCells(ctx, gridWidth, gridHeight) != kAllocOk) return false;
    f.cellsAllocated = 1;
    if (AllocateLoadArea(ctx, gridWidth + kLoadMargin, gridHeight + kLoadMargin) != kAllocOk)
        return false;
    f.loadAreaAllocated = 1;
    SetFieldSize(f, width, height);
    f.loadWidth = gridWidth + kLoadMargin;
    f.loadHeight = gridHeight + kLoadMargin;
    ClearCells(f);
    return true;
}

// Why a file the readers did not load was not loaded, when the file system can tell.
std::string NotLoadedReason(const std::string& path, bool declined) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return "no such file";
    if (status.type() == std::filesystem::file_type::directory) return "is a directory";
    if (error) return error.message();
    {
        std::ifstream probe(path, std::ios::binary);
        if (!probe) return std::string("cannot be read (") + std::strerror(errno) + ")";
    }
    if (declined) return "not loaded (the question was answered No; --yes answers Yes)";
    return "not loaded";
}

void PrintFieldLines(const Context& ctx) {
    const std::string& rule = ctx.rule.ruleText;
    std::cout << "rule " << rule << " (" << FormatRuleBS(rule) << ")\n";
    std::cout << "generation " << ctx.field.generation << '\n';
    std::cout << "population " << LiveCellCount(ctx.field) << '\n';
    const Extent e = FieldExtent(ctx.field);
    if (e.found)
        std::cout << "extent " << e.left << ' ' << e.top << ' ' << e.right << ' ' << e.bottom << ' '
                  << e.width << ' ' << e.height << '\n';
    else
        std::cout << "extent none\n";
}

int Execute(const Options& o) {
    CliHost host(o.yes);
    Context ctx(host);

    // The rule is checked first, so a rejected one costs no loading.
    std::optional<std::string> acceptedRule;
    if (o.rule) {
        acceptedRule = RuleDialogOk(ctx, *o.rule);
        if (!acceptedRule) return kExitUsage;
    }

    if (!BuildField(ctx, o.width, o.height)) {
        Complain("cannot build a field of " + std::to_string(o.width) + "x" +
                 std::to_string(o.height) + " cells");
        return kExitUsage;
    }

    // Every reader names the window after the file as the last step of a successful load, and
    // a refused or unreadable file leaves the title alone.
    host.resetRecord();
    LoadDocument(ctx, o.input);
    if (!host.titleSet()) {
        Complain(o.input + ": " + NotLoadedReason(o.input, host.declinedQuestion()));
        return kExitRefused;
    }
    // The name, author, comment and description texts: the boxes captioned with the file's name
    // that the reader shows after the title.
    std::vector<std::string> notes;
    for (const MessageBox& box : host.boxesSinceTitle())
        if (box.icon == Icon::Information && box.caption == FileNameOf(o.input))
            notes.push_back(box.text);

    // The program draws the loaded pattern at once; its frames keep the population the writers
    // check. Here the frames run without a picture.
    FrameWithoutPicture(ctx, false);

    if (acceptedRule) EditRule(ctx, [&](const std::string&) { return acceptedRule; });

    for (std::int64_t g = 0; g < o.generations; ++g) FrameWithoutPicture(ctx, true);

    PrintFieldLines(ctx);
    if (o.command == Command::Info) {
        for (const std::string& note : notes) {
            std::string text = DisplayLines(note);
            while (!text.empty() && text.back() == '\n') text.pop_back();
            std::cout << text << '\n';
        }
    }
    std::cout.flush();

    if (o.output) {
        const LifeFormat format = o.life106 ? LifeFormat::Life106 : LifeFormat::Life105;
        if (!StoreDocument(ctx, *o.output, [format] { return format; })) {
            Complain(*o.output + ": not written");
            return kExitRefused;
        }
    }
    return kExitOk;
}

}  // namespace

}  // namespace gb::cli

int main(int argc, char** argv) {
    using namespace gb::cli;
    // A write over the file-size limit fails with EFBIG and is reported like any failed save.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string_view> args(argv + 1, argv + argc);
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.error.empty()) {
        Complain(parsed.error);
        std::cerr << "Try \"gridbloom-cli --help\".\n";
        return kExitUsage;
    }
    switch (parsed.options.command) {
        case Command::Help:
            std::cout << UsageText();
            return kExitOk;
        case Command::Version:
            std::cout << "gridbloom-cli " << GRIDBLOOM_VERSION << '\n';
            return kExitOk;
        case Command::Run:
        case Command::Info:
            break;
    }
    try {
        return Execute(parsed.options);
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        Complain("out of memory");
        return kExitRefused;
    }
}
