#include "session/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "session/context.h"
#include "engine/rule.h"
#include "session/run.h"
#include "session/read_guard.h"
#include "formats/reader_common.h"
#include "formats/rle_reader.h"
#include "formats/rle_writer.h"
#include "formats/text_file.h"

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

using Reader = int (*)(Context&, TextInput&, const std::string&);

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

int ReadPath(Context& ctx, const std::string& path, Reader reader) {
    int result = 1;
    ReadFileWithinMemory(ctx, path, [&] {
        const OpenedFile file(path);
        if (file.fd() < 0) {
            ReportFileNotFound(ctx, path);
            return;
        }
        TextInput input(file.fd());
        result = reader(ctx, input, path);
    });
    return result;
}

void ApplyDefaultRule(Context& ctx) {
    ctx.rule.ruleText = kDefaultRule;
    ctx.rule.ruleText = ApplyRule(ctx, ctx.rule.ruleText);
}

}  // namespace

int OpenLifePath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, static_cast<Reader>(ReadLifeFile));
    return 0;
}

int OpenTextPath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, static_cast<Reader>(ReadTextFile));
    ctx.host.repaintView();
    return 0;
}

int OpenRlePath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, static_cast<Reader>(ReadRleFile));
    return 0;
}

int OpenCellsPath(Context& ctx, const std::string& path) {
    ReadPath(ctx, path, static_cast<Reader>(ReadCellsFile));
    ctx.host.repaintView();
    return 0;
}

bool LoadDocument(Context& ctx, const std::string& path) {
    const std::string ext = ExtensionOf(path);
    return LoadDocument(ctx, path,
                        ext == ".txt"     ? PatternKind::Text
                        : ext == ".lif"   ? PatternKind::Life
                        : ext == ".cells" ? PatternKind::Cells
                                          : PatternKind::Rle);
}

bool LoadDocument(Context& ctx, const std::string& path, PatternKind kind) {
    PauseRun(ctx);
    ctx.run.busy = 1;
    RefreshCursor(ctx);
    bool readable = true;
    const bool readWhole = ReadFileWithinMemory(ctx, path, [&] {
        // A file that cannot be opened is refused before the document changes at all.
        const OpenedFile file(path);
        if (file.fd() < 0) {
            ReportFileNotFound(ctx, path);
            readable = false;
            return;
        }
        TextInput input(file.fd());
        if (kind == PatternKind::Text) {
            ApplyDefaultRule(ctx);
            ReadTextFile(ctx, input, path);
        } else if (kind == PatternKind::Cells) {
            ReadCellsFile(ctx, input, path);
        } else if (kind == PatternKind::Life) {
            ApplyDefaultRule(ctx);
            ReadLifeFile(ctx, input, path);
        } else {
            ReadRleFile(ctx, input, path);
        }
    });
    // Out of memory or after a failed read the read changed nothing, as for a file that cannot
    // be opened.
    if (!readWhole || !readable) return false;
    if (ctx.shell.currentQuickLaunchItem == 0) ctx.shell.documentPath.clear();
    ctx.shell.currentQuickLaunchItem = 0;
    ctx.run.busy = 0;
    RefreshCursor(ctx);
    return true;
}

bool StoreDocument(Context& ctx, const std::string& path,
                   const std::function<LifeFormat()>& chooseLifeFormat) {
    PauseRun(ctx);
    const std::string ext = ExtensionOf(path);
    ctx.run.busy = 1;
    RefreshCursor(ctx);
    std::string bytes;
    if (ext == ".txt") {
        bytes = WriteTextFile(ctx);
    } else if (ext == ".lif") {
        bytes = WriteLifeFile(ctx, chooseLifeFormat ? chooseLifeFormat() : LifeFormat::Life105);
    } else if (ext == ".rle") {
        bytes = WriteRleFile(ctx);
    } else {
        ctx.shell.messageCaption = "認識できない拡張子です。";
        AppMessageBox(ctx, "RLE形式として保存します。", Icon::Exclamation);
        bytes = WriteRleFile(ctx);
    }
    if (bytes.empty()) {
        // The writer refused (and said why): keep any old file rather than empty it.
        ctx.run.busy = 0;
        RefreshCursor(ctx);
        return false;
    }
    std::string error;
    bool changed = false;
    const bool written = WriteFileAtomically(path, bytes, error, &changed);
    ctx.run.busy = 0;
    RefreshCursor(ctx);
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
