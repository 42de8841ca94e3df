#include "formats/document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/context.h"
#include "core/engine/rule.h"
#include "core/run.h"
#include "formats/reader_common.h"
#include "formats/rle_file.h"
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

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error) {
    const std::filesystem::path target(path);
    const std::filesystem::path dir =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    std::string temp = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    const auto fail = [&](int err) {
        error = std::strerror(err);
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    // A new file gets the usual permissions; a replaced one keeps its own.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : [] {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return static_cast<mode_t>(0666 & ~mask);
    }();
    if (::fchmod(fd, mode) != 0) return fail(errno);
    if (::fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
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
    const OpenedFile file(path);
    if (file.fd() < 0) {
        ReportFileNotFound(ctx, path);
        return 1;
    }
    TextInput input(file.fd());
    return reader(ctx, input, path);
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

bool LoadDocument(Context& ctx, const std::string& path) {
    PauseRun(ctx);
    const std::string ext = ExtensionOf(path);
    ctx.field.busy = 1;
    RefreshCursor(ctx);
    // A file that cannot be opened is refused before the document changes at all.
    const OpenedFile file(path);
    if (file.fd() < 0) {
        ReportFileNotFound(ctx, path);
        return false;
    }
    TextInput input(file.fd());
    if (ext == ".txt") {
        ApplyDefaultRule(ctx);
        ReadTextFile(ctx, input, path);
    } else if (ext == ".lif") {
        ApplyDefaultRule(ctx);
        ReadLifeFile(ctx, input, path);
    } else {
        ReadRleFile(ctx, input, path);
    }
    if (ctx.shell.currentQuickLaunchItem == 0) ctx.shell.documentPath.clear();
    ctx.shell.currentQuickLaunchItem = 0;
    ctx.field.busy = 0;
    RefreshCursor(ctx);
    return true;
}

bool StoreDocument(Context& ctx, const std::string& path,
                   const std::function<LifeFormat()>& chooseLifeFormat) {
    PauseRun(ctx);
    const std::string ext = ExtensionOf(path);
    ctx.field.busy = 1;
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
        ctx.field.busy = 0;
        RefreshCursor(ctx);
        return false;
    }
    std::string error;
    const bool written = WriteFileAtomically(path, bytes, error);
    ctx.field.busy = 0;
    RefreshCursor(ctx);
    if (!written) {
        // The old file, if any, is untouched; say so instead of pretending the save worked.
        ctx.shell.messageCaption = "保存できません。";
        AppMessageBox(ctx,
                      "ファイル\"" + path + "\"に保存できませんでした。\r\n(" + error +
                          ")\r\n元のファイルは変更されていません。",
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
