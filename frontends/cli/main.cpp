// gridbloom-cli: loads, runs, measures and saves patterns without a window, through the same
// readers, step and writers as the program.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "engine/extent.h"
#include "engine/rule.h"
#include "engine/step.h"
#include "formats/life_file.h"
#include "formats/reader_common.h"
#include "formats/safe_save.h"
#include "formats/text_file.h"
#include "frontends/cli/arguments.h"
#include "frontends/cli/cli_host.h"
#include "frontends/cli/english.h"
#include "frontends/cli/pictures.h"
#include "frontends/cli/report.h"
#include "frontends/cli/study.h"
#include "session/context.h"
#include "session/document.h"
#include "session/frame.h"
#include "session/pattern_save.h"
#include "session/rule_edit.h"
#include "session/shell.h"

namespace gb::cli {

namespace {

constexpr int kExitOk = 0;
constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

void Complain(const std::string& message) { std::cerr << "gridbloom-cli: " << message << '\n'; }

// Whether everything sent to standard output so far reached it; a full disk or a closed
// descriptor there makes a failed output like any other.
bool StandardOutputWritten() {
    std::cout.flush();
    return static_cast<bool>(std::cout);
}

// Why a file the readers did not load was not loaded, when the file system can tell. Nothing
// here may wait: a FIFO without a writer is opened without blocking. readFailed: the reader
// said it could not read the file.
std::string NotLoadedReason(const std::string& path, bool declined, bool readFailed) {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return "no such file";
    if (status.type() == std::filesystem::file_type::directory) return "is a directory";
    if (error) return error.message();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return std::string("cannot be read (") + std::strerror(errno) + ")";
    ::close(fd);
    if (readFailed) return "cannot be read (a read failed part-way)";
    if (declined) return "not loaded (the question was answered No; --yes answers Yes)";
    return "not loaded";
}

PatternKind KindOf(Format format) {
    switch (format) {
        case Format::Life: return PatternKind::Life;
        case Format::Text: return PatternKind::Text;
        case Format::Rle: break;
    }
    return PatternKind::Rle;
}

// Writes bytes to standard output, or to path by a write aside and a rename.
bool Deliver(const std::string& path, std::string_view bytes, std::string& error) {
    if (path != "-") {
        bool changed = false;
        if (WriteFileAtomically(path, bytes, error, &changed)) return true;
        if (changed) error += "; the old file was changed and could not be put back";
        return false;
    }
    std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::cout.flush();
    if (!std::cout) {
        error = "standard output cannot be written";
        return false;
    }
    return true;
}

// A new output file must go into an existing folder; found out before a long run, not after.
std::optional<std::string> FolderProblem(const std::string& path) {
    if (path == "-") return std::nullopt;
    const std::filesystem::path target(path);
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error))
        return path + ": cannot be written (no folder " + folder.string() + ")";
    if (std::filesystem::is_directory(target, error))
        return path + ": cannot be written (is a directory)";
    if (::access(folder.c_str(), W_OK) != 0 && ::access(target.c_str(), W_OK) != 0)
        return path + ": cannot be written (" + std::strerror(errno) + ")";
    return std::nullopt;
}

Rgb ToRgb(std::uint32_t bgr) { return (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF); }

// Loads the input as the program opens a file. False (after saying why) when it is not loaded.
// The notice becomes the summary's note; the topology the file's rule named goes to topology.
bool LoadInput(Context& ctx, const Options& o, Summary& summary, std::string& topology) {
    const std::string path = o.input == "-" ? "/dev/stdin" : o.input;
    // The file's notice texts are part of what info prints; run shows them with --verbose.
    const bool showNotice = o.command == Command::Run && o.verbose;
    // A name ending in ".rle", ".lif", ".txt" or ".cells" says which reader reads it; for any
    // other name (standard input, a pipe's /dev/fd path, no extension) --as does, RLE without it.
    const std::string ext = ExtensionOf(o.input);
    const bool named =
        o.input != "-" && (ext == ".rle" || ext == ".lif" || ext == ".txt" || ext == ".cells");
    const LoadResult loaded = LoadPattern(
        ctx, path, named ? KindOfPath(path) : KindOf(o.as.value_or(Format::Rle)), showNotice);
    if (loaded.status != LoadStatus::Loaded) {
        const bool readFailed =
            loaded.status == LoadStatus::NotFound || loaded.status == LoadStatus::ReadFailed;
        Complain((o.input == "-" ? std::string("standard input") : o.input) + ": " +
                 NotLoadedReason(path, loaded.status == LoadStatus::Declined, readFailed));
        return false;
    }
    // The name, author, comment and description texts.
    if (!loaded.notice.empty()) {
        std::string text = DisplayLines(loaded.notice);
        while (!text.empty() && text.back() == '\n') text.pop_back();
        summary.notes.push_back(text);
    }
    topology = loaded.droppedTopology;
    return true;
}

// What the generations leave besides the Field: the statistics rows not yet written and the GIF.
struct RunRecord {
    std::string rows;
    std::unique_ptr<GifRecorder> gif;
};

// Runs up to limit generations (or until settled), recording every `every`-th. Nothing when
// the run ended as asked; the exit status when a GIF outgrew its limits.
std::optional<int> RunGenerations(Context& ctx, const Options& o, const PictureStyle& style,
                                  std::int64_t limit, Summary& summary, RunRecord& record) {
    const std::int64_t every = o.frameEvery();
    // Statistics rows stream to standard output, or gather for a file written at the end.
    const bool rowsToStdout = o.statsToStdout();
    std::string& rows = record.rows;
    const auto flushRows = [&] {
        if (rowsToStdout && !rows.empty()) {
            std::cout.write(rows.data(), static_cast<std::streamsize>(rows.size()));
            rows.clear();
        }
    };
    const auto takeRow = [&](std::int64_t g, const Extent& extent) {
        rows += StatsRow(g, ctx.field.population(), extent);
        if (rows.size() >= (1u << 16)) flushRows();
    };
    std::unique_ptr<GifRecorder>& gif = record.gif;
    if (o.gif) gif = std::make_unique<GifRecorder>(ctx.field, o.crop, style, o.delayMs);
    std::unique_ptr<SettleWatch> watch;
    if (o.untilSettled) watch = std::make_unique<SettleWatch>(ctx.field, ctx.rule, o.maxPeriod);
    const auto takeFrame = [&](const Extent& extent) -> bool {
        gif->add(ctx.field, extent);
        if (auto problem = gif->tooLarge()) {
            Complain(*problem);
            return false;
        }
        return true;
    };

    if (o.statsWanted() || gif) {
        const Extent extent = FieldExtent(ctx.field);
        if (o.statsWanted()) {
            rows = kStatsHeader;
            takeRow(0, extent);
        }
        if (gif && !takeFrame(extent)) return kExitUsage;
    }
    Progress progress(limit, true);
    std::int64_t g = 0;
    while (g < limit) {
        AdvanceOneGeneration(ctx);
        ++g;
        if (g % every == 0 && (o.statsWanted() || gif)) {
            const Extent extent = FieldExtent(ctx.field);
            if (o.statsWanted()) takeRow(g, extent);
            if (gif && !takeFrame(extent)) {
                progress.finish();
                return kExitUsage;
            }
        }
        if (watch)
            if (const auto period = watch->afterStep(g)) {
                summary.settled = Settled{g, *period};
                break;
            }
        progress.update(g);
    }
    progress.finish();
    flushRows();
    return std::nullopt;
}

// The summary, then every output asked for; the exit status.
int DeliverResults(Context& ctx, const Options& o, const PictureStyle& style, Summary& summary,
                   RunRecord& record) {
    summary.rule = ctx.rule.ruleText;
    summary.ruleBS = FormatRuleBS(ctx.rule.ruleText);
    summary.generation = ctx.field.generation;
    summary.population = ctx.field.population();
    summary.extent = FieldExtent(ctx.field);
    summary.settleAsked = o.untilSettled;
    summary.withNotes = o.command == Command::Info;
    const std::string text = o.json ? SummaryJson(summary) : SummaryLines(summary);
    // When standard output carries data, the summary keeps out of its way.
    const bool dataOnStdout = o.statsToStdout() || o.patternToStdout() ||
                              (o.png && *o.png == "-") || (o.gif && *o.gif == "-");
    (dataOnStdout ? std::cerr : std::cout) << text << std::flush;

    int status = kExitOk;
    bool stdoutFailureSaid = false;
    const auto deliver = [&](const std::string& target, std::string_view bytes) {
        std::string error;
        if (!Deliver(target, bytes, error)) {
            Complain(target + ": not written (" + error + ")");
            status = kExitRefused;
            if (target == "-") stdoutFailureSaid = true;
        }
    };
    if (o.stats && *o.stats != "-") deliver(*o.stats, record.rows);
    if (o.png) {
        const CellBox box = o.crop ? CropBox(FieldExtent(ctx.field)) : InteriorBox(ctx.field);
        std::string error;
        if (const auto bytes = EncodePng(ctx.field, box, style, error))
            deliver(*o.png, *bytes);
        else {
            Complain(*o.png + ": not written (" + error + ")");
            status = kExitRefused;
        }
    }
    if (record.gif) {
        std::string error;
        if (const auto bytes = record.gif->encode(error))
            deliver(*o.gif, *bytes);
        else {
            Complain(*o.gif + ": not written (" + error + ")");
            status = kExitRefused;
        }
    }
    if (o.output) {
        // The program would show the last generation before saving it: the writers check that
        // frame's count.
        FrameWithoutPicture(ctx, false);
        const LifeFormat lifeFormat = o.life106 ? LifeFormat::Life106 : LifeFormat::Life105;
        if (o.patternToStdout()) {
            const Format format = o.as.value_or(Format::Rle);
            const std::string bytes = format == Format::Text   ? WriteTextPattern(ctx)
                                      : format == Format::Life ? WriteLifePattern(ctx, lifeFormat)
                                                               : WriteRlePattern(ctx);
            // An empty result is a writer's refusal, already explained in its box.
            if (bytes.empty()) {
                Complain("standard output: not written");
                status = kExitRefused;
            } else {
                deliver("-", bytes);
            }
        } else if (!StoreDocument(ctx, *o.output, [lifeFormat] { return lifeFormat; })) {
            Complain(*o.output + ": not written");
            status = kExitRefused;
        }
    }
    // The statistics rows and the summary, when they went there.
    if (!StandardOutputWritten() && !stdoutFailureSaid) {
        Complain("standard output: not written");
        status = kExitRefused;
    }
    return status;
}

int Execute(const Options& o) {
    CliHost host(o.yes, !JapaneseMessages());
    Context ctx(host);

    // The rule is checked first, so a rejected one costs no loading. It is read as file headers
    // are: "b3/s23" and a topology suffix such as ":T100,100" are taken too.
    std::optional<std::string> acceptedRule;
    std::string topology;
    if (o.rule) {
        acceptedRule = RuleDialogOk(ctx, FileRuleText(*o.rule, &topology));
        if (!acceptedRule) return kExitUsage;
    }
    for (const auto* path : {&o.png, &o.gif, &o.stats})
        if (*path)
            if (auto problem = FolderProblem(**path)) {
                Complain(*problem);
                return kExitRefused;
            }

    if (!SetUpField(ctx, o.width, o.height)) {
        Complain("cannot build a field of " + std::to_string(o.width) + "x" +
                 std::to_string(o.height) + " cells");
        return kExitUsage;
    }

    PictureStyle style;
    style.cell = o.cell;
    style.live = o.live.value_or(ToRgb(ctx.display.liveColor));
    style.back = o.back.value_or(ToRgb(ctx.display.backColor));
    const std::int64_t limit = o.command == Command::Run ? o.limit() : 0;
    // A GIF of the whole interior with a known number of frames is refused before the run.
    if (o.gif && !o.crop && !o.untilSettled)
        if (auto problem =
                GifSizeProblem(InteriorBox(ctx.field), o.cell, limit / o.frameEvery() + 1)) {
            Complain(*problem);
            return kExitUsage;
        }

    Summary summary;
    std::string fileTopology;
    if (!LoadInput(ctx, o, summary, fileTopology)) return kExitRefused;
    // A torus or a plane of another size is not what runs here: -r's topology, or else the file's.
    if (!o.rule) topology = fileTopology;
    if (!topology.empty())
        Complain("warning: the topology \"" + topology +
                 "\" of the rule is not used: the field is " + std::to_string(o.width) + "x" +
                 std::to_string(o.height) + " cells, bounded, with dead cells beyond its edge");

    // The program draws the loaded pattern at once; its frames keep the population the writers
    // check. Here the frames run without a picture.
    FrameWithoutPicture(ctx, false);

    if (acceptedRule) EditRule(ctx, [&](const std::string&) { return acceptedRule; });

    RunRecord record;
    if (const auto status = RunGenerations(ctx, o, style, limit, summary, record)) return *status;
    return DeliverResults(ctx, o, style, summary, record);
}

}  // namespace

}  // namespace gb::cli

int main(int argc, char** argv) {
    using namespace gb::cli;
    // A write over the file-size limit fails with EFBIG and is reported like any failed save.
    std::signal(SIGXFSZ, SIG_IGN);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedArguments parsed = ParseArguments(args);
    if (!parsed.error.empty()) {
        Complain(parsed.error);
        std::cerr << "Try \"gridbloom-cli --help\".\n";
        return kExitUsage;
    }
    switch (parsed.options.command) {
        case Command::Help:
        case Command::Version:
            if (parsed.options.command == Command::Help)
                std::cout << UsageText();
            else
                std::cout << "gridbloom-cli " << GRIDBLOOM_VERSION << '\n';
            if (StandardOutputWritten()) return kExitOk;
            Complain("standard output: not written");
            return kExitRefused;
        case Command::Run:
        case Command::Info: break;
    }
    try {
        return Execute(parsed.options);
    } catch (const std::bad_alloc&) {
        std::cout.flush();
        Complain("out of memory");
        return kExitRefused;
    }
}
