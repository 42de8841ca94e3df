#include "session/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "engine/rule.h"
#include "formats/pattern.h"
#include "formats/reader_common.h"
#include "formats/rle_reader.h"
#include "formats/safe_save.h"
#include "formats/text_file.h"
#include "session/context.h"
#include "session/pattern_save.h"
#include "session/read_guard.h"
#include "session/run.h"
#include "session/zoom.h"

namespace gb {

int OpenForReading(const std::string& path) {
    // O_NONBLOCK so that a FIFO without a writer does not hold the opening; reads block again.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

std::optional<std::string> ReadFileBytes(const std::string& path) {
    const int fd = OpenForReading(path);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char buffer[64 * 1024];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

namespace {

// The descriptor of an opened file, closed when it goes.
class OpenedFile {
public:
    explicit OpenedFile(const std::string& path) : fd_(OpenForReading(path)) {}
    ~OpenedFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    OpenedFile(const OpenedFile&) = delete;
    OpenedFile& operator=(const OpenedFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

void ApplyDefaultRule(Context& ctx) {
    ctx.rule.ruleText = kDefaultRule;
    ctx.rule.ruleText = ApplyRule(ctx, ctx.rule.ruleText);
}

// A reader's question, asked once the wait cursor has gone.
class HostQuestions : public ReadQuestions {
public:
    explicit HostQuestions(Context& ctx) : ctx_(ctx) {}
    bool confirm(const ReadMessage& question) override {
        SetBusy(ctx_, false);
        ctx_.shell.messageCaption = question.caption;
        return AppMessageBox(ctx_, question.text, Icon::Exclamation, Buttons::YesNo, Button::No) ==
               Button::Yes;
    }

private:
    Context& ctx_;
};

// What every reading of a file does first, then the reader of kind into the staging grid.
PatternRead ParseFile(Context& ctx, TextInput& input, PatternKind kind) {
    CheckMemory(ctx);
    SetBusy(ctx, true);
    Field& f = ctx.field;
    HostQuestions questions(ctx);
    switch (kind) {
        case PatternKind::Life: return ParseLifeFile(input, f, f.staging());
        case PatternKind::Text: return ParseTextFile(input, f, f.staging(), questions);
        case PatternKind::Cells: return ParseCellsFile(input, f, f.staging(), questions);
        case PatternKind::Rle: break;
    }
    return ParseRleFile(input, f, f.staging());
}

// A reader's refusal: the wait cursor goes, then its box.
void ShowRefusal(Context& ctx, const ReadMessage& refusal) {
    SetBusy(ctx, false);
    ctx.shell.messageCaption = refusal.caption;
    AppMessageBox(ctx, refusal.text, Icon::Exclamation);
}

// A read file's pattern in place, in the order its reader's format has: the grid cleared and the
// cells placed, the zoom fitted, the rule, the offsets, the view, the wait cursor gone, the title
// (a picture's before the zoom), and the notice. The rule's dropped topology goes to topology.
void ApplyFilePattern(Context& ctx, const ReadPattern& pattern, const std::string& path,
                      bool showNotice, std::string* topology) {
    Field& f = ctx.field;
    const bool picture = pattern.format == PatternFormat::Picture;
    PlacePattern(f, pattern.cells);
    if (picture) SetMainTitle(ctx, FileNameOf(path));
    FitZoomToPattern(ctx);
    ctx.rule.ruleText =
        ApplyRule(ctx, FileRuleText(pattern.rule.value_or(ctx.rule.ruleText), topology));
    ctx.view.offsetX = ctx.view.offsetY = 0;
    if (pattern.format == PatternFormat::Rle)
        ctx.host.invalidateView();
    else
        ctx.host.repaintView();
    SetBusy(ctx, false);
    if (!picture) SetMainTitle(ctx, FileNameOf(path));
    if (showNotice && !pattern.notice.empty()) {
        ctx.shell.messageCaption = FileNameOf(path);
        AppMessageBox(ctx, pattern.notice, Icon::Information);
    }
}

// The read's box or its pattern applied, unguarded. 0 when applied.
int FinishRead(Context& ctx, const PatternRead& read, const std::string& path) {
    if (read.status == PatternRead::Status::Refused) ShowRefusal(ctx, read.refusal);
    if (!read.read()) return 1;
    ApplyFilePattern(ctx, read.pattern, path, true, nullptr);
    return 0;
}

int ReadAs(Context& ctx, TextInput& input, const std::string& path, PatternKind kind) {
    return FinishRead(ctx, ParseFile(ctx, input, kind), path);
}

int ReadBytesAs(Context& ctx, std::string_view bytes, const std::string& path, PatternKind kind) {
    TextInput input(bytes);
    return ReadAs(ctx, input, path, kind);
}

// Opens path and reads it with the reader of kind, then applies what it read: the sequence
// opening and dropping share. With defaultRuleFirst "23/3" is applied before the pattern (also
// when the reader refuses the file), but not when the file cannot be read at all.
LoadResult ReadPath(Context& ctx, const std::string& path, PatternKind kind, bool defaultRuleFirst,
                    bool showNotice) {
    LoadResult result;
    PatternRead read;
    const ReadEnd end = ReadFileWithinMemory(ctx, path, [&] {
        const OpenedFile file(path);
        if (file.fd() < 0) {
            ReportFileNotFound(ctx, path);
            result.status = LoadStatus::NotFound;
            return;
        }
        TextInput input(file.fd());
        read = ParseFile(ctx, input, kind);
    });
    if (end != ReadEnd::Done)
        result.status =
            end == ReadEnd::ReadFailed ? LoadStatus::ReadFailed : LoadStatus::OutOfMemory;
    if (end != ReadEnd::Done || result.status == LoadStatus::NotFound) return result;

    if (!read.read()) {
        if (defaultRuleFirst) ApplyDefaultRule(ctx);
        if (read.status == PatternRead::Status::Refused) ShowRefusal(ctx, read.refusal);
        result.status = read.status == PatternRead::Status::Refused ? LoadStatus::Refused
                                                                    : LoadStatus::Declined;
        return result;
    }
    const bool applied = ApplyWithinMemory(ctx, [&] {
        if (defaultRuleFirst) ApplyDefaultRule(ctx);
        ApplyFilePattern(ctx, read.pattern, path, showNotice, &result.droppedTopology);
    });
    if (!applied) return {LoadStatus::OutOfMemory, {}, {}};
    result.notice = read.pattern.notice;
    return result;
}

}  // namespace

void PlacePattern(Field& field, const StagedPattern& pattern) {
    ClearCells(field);
    field.generation = 0;
    if (pattern.found)
        field.placeStaged(pattern.left, pattern.top, pattern.right, pattern.bottom, pattern.dx,
                          pattern.dy);
}

int ReadRleFile(Context& ctx, TextInput& input, const std::string& path) {
    return ReadAs(ctx, input, path, PatternKind::Rle);
}
int ReadLifeFile(Context& ctx, TextInput& input, const std::string& path) {
    const PatternRead read = ParseFile(ctx, input, PatternKind::Life);
    const int result = FinishRead(ctx, read, path);
    // A file handed to the RLE reader counts as read, whatever that reader made of it.
    return read.pattern.format == PatternFormat::Rle ? 0 : result;
}
int ReadTextFile(Context& ctx, TextInput& input, const std::string& path) {
    return ReadAs(ctx, input, path, PatternKind::Text);
}
int ReadCellsFile(Context& ctx, TextInput& input, const std::string& path) {
    return ReadAs(ctx, input, path, PatternKind::Cells);
}
int ReadRleFile(Context& ctx, std::string_view bytes, const std::string& path) {
    return ReadBytesAs(ctx, bytes, path, PatternKind::Rle);
}
int ReadLifeFile(Context& ctx, std::string_view bytes, const std::string& path) {
    TextInput input(bytes);
    return ReadLifeFile(ctx, input, path);
}
int ReadTextFile(Context& ctx, std::string_view bytes, const std::string& path) {
    return ReadBytesAs(ctx, bytes, path, PatternKind::Text);
}
int ReadCellsFile(Context& ctx, std::string_view bytes, const std::string& path) {
    return ReadBytesAs(ctx, bytes, path, PatternKind::Cells);
}

int OpenLifePath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, PatternKind::Life, false, true);
    return 0;
}

int OpenTextPath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, PatternKind::Text, false, true);
    ctx.host.repaintView();
    return 0;
}

int OpenRlePath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, PatternKind::Rle, false, true);
    return 0;
}

int OpenCellsPath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, PatternKind::Cells, false, true);
    ctx.host.repaintView();
    return 0;
}

PatternKind KindOfPath(std::string_view path) {
    const std::string ext = ExtensionOf(path);
    return ext == ".txt"     ? PatternKind::Text
           : ext == ".lif"   ? PatternKind::Life
           : ext == ".cells" ? PatternKind::Cells
                             : PatternKind::Rle;
}

LoadResult LoadPattern(Context& ctx, const std::string& path, PatternKind kind, bool showNotice) {
    PauseRun(ctx);
    SetBusy(ctx, true);
    const bool defaultRuleFirst = kind == PatternKind::Text || kind == PatternKind::Life;
    LoadResult result = ReadPath(ctx, path, kind, defaultRuleFirst, showNotice);
    // A file that could not be read changed nothing, nor does it become the document.
    if (!result.opened()) return result;
    if (ctx.shell.currentQuickLaunchItem == 0) ctx.shell.documentPath.clear();
    ctx.shell.currentQuickLaunchItem = 0;
    SetBusy(ctx, false);
    return result;
}

bool LoadDocument(Context& ctx, const std::string& path) {
    return LoadPattern(ctx, path, KindOfPath(path)).opened();
}

bool LoadDocument(Context& ctx, const std::string& path, PatternKind kind) {
    return LoadPattern(ctx, path, kind).opened();
}

bool StoreDocument(Context& ctx, const std::string& path,
                   const std::function<LifeFormat()>& chooseLifeFormat) {
    PauseRun(ctx);
    const std::string ext = ExtensionOf(path);
    BusyScope busy(ctx);
    std::string bytes;
    if (ext == ".txt") {
        bytes = WriteTextPattern(ctx);
    } else if (ext == ".lif") {
        bytes = WriteLifePattern(ctx, chooseLifeFormat ? chooseLifeFormat() : LifeFormat::Life105);
    } else if (ext == ".rle") {
        bytes = WriteRlePattern(ctx);
    } else {
        ctx.shell.messageCaption = "認識できない拡張子です。";
        AppMessageBox(ctx, "RLE形式として保存します。", Icon::Exclamation);
        bytes = WriteRlePattern(ctx);
    }
    if (bytes.empty()) {
        // The writer refused (and said why): keep any old file rather than empty it.
        return false;
    }
    std::string error;
    bool changed = false;
    const bool written = WriteFileAtomically(path, bytes, error, &changed);
    busy.end();
    if (!written) {
        // Say what became of the old file instead of pretending the save worked.
        ctx.shell.messageCaption = "保存できません。";
        AppMessageBox(ctx,
                      "ファイル\"" + path + "\"に保存できませんでした。\r\n(" + error + ")\r\n" +
                          (changed ? "元のファイルは変更されましたが、元に戻せませんでした。"
                                   : "元のファイルは変更されていません。"),
                      Icon::Exclamation);
        return false;
    }
    ctx.shell.documentPath = path;
    return true;
}

void DropPatternFile(Context& ctx, const std::string& path) {
    PauseRun(ctx);
    const std::string ext = ExtensionOf(path);
    if (ext == ".lif")
        OpenLifePath(ctx, path);
    else if (ext == ".txt" || ext == ".text")
        OpenTextPath(ctx, path);
    else if (ext == ".cells")
        OpenCellsPath(ctx, path);
    else
        OpenRlePath(ctx, path);
    ctx.shell.documentPath = path;
    ctx.shell.currentQuickLaunchItem = -1;
}

std::string ProposedSaveName(const Context& ctx, const std::string& toolkitProposal) {
    if (ctx.shell.currentQuickLaunchItem != 0) return ctx.shell.documentPath;
    if (ctx.shell.documentPath == kNewDocumentName) return kNewDocumentName;
    return toolkitProposal;
}

}  // namespace gb
