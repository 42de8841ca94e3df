#include "formats/quick_launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace gb {

namespace {

constexpr std::size_t kLinePiece = 9999;  // longer lines are read in pieces of this size

bool IsAsciiSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimRight(std::string_view s) {
    std::size_t end = s.size();
    while (end > 0 && IsAsciiSpace(s[end - 1])) --end;
    return std::string(s.substr(0, end));
}

// Reads lines as a text-mode stream would: CR LF is one line end, and a line longer than the
// buffer is delivered in pieces.
class ListLineReader {
public:
    explicit ListLineReader(std::string_view bytes) : bytes_(bytes) {}
    bool atEnd() const { return pos_ >= bytes_.size(); }
    std::string next() {
        std::string line;
        while (pos_ < bytes_.size() && line.size() < kLinePiece) {
            char c = bytes_[pos_++];
            if (c == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') c = bytes_[pos_++];
            line += c;
            if (c == '\n') break;
        }
        return line;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

bool IsMagicLine(const std::string& line) {
    return line == "GridbloomQuickLaunch0.1" || line == "GridbloomQuickLaunch0.2" ||
           line == "GridbloomQuickLaunch0.3";
}

}  // namespace

std::string QuickLaunchLocalPath(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

bool IsNonBlankLine(std::string_view line) {
    std::string copy;
    copy.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        // The ideographic space, in Shift-JIS or in UTF-8.
        if (static_cast<unsigned char>(line[i]) == 0x81 && i + 1 < line.size() &&
            static_cast<unsigned char>(line[i + 1]) == 0x40) {
            copy += ' ';
            ++i;
        } else if (line.substr(i, 3) == "\xE3\x80\x80") {
            copy += ' ';
            i += 2;
        } else {
            copy += line[i];
        }
    }
    return !TrimRight(copy).empty();
}

bool ParseQuickLaunchList(std::string_view bytes, QuickLaunch& list) {
    list.quickLaunchCount = 0;
    ListLineReader reader(bytes);
    if (!IsMagicLine(TrimRight(reader.next()))) return false;
    int i = 0;
    while (!reader.atEnd() && i < kQuickLaunchMax) {
        const std::string titleLine = reader.next();
        if (!IsNonBlankLine(titleLine)) continue;
        QuickLaunchEntry& entry = list.entries[static_cast<std::size_t>(i + 1)];
        entry.title = TrimRight(titleLine);
        if (reader.atEnd()) continue;  // a title without a path is dropped
        std::string pathLine;
        do {
            pathLine = reader.next();
        } while (!IsNonBlankLine(pathLine) && !reader.atEnd());
        if (!IsNonBlankLine(pathLine)) continue;
        entry.path = TrimRight(pathLine);
        ++i;
    }
    list.quickLaunchCount = i;
    return true;
}

namespace {

// The list's bytes, when it is a regular file that can be read. Anything else (a folder, a FIFO,
// a device) counts as missing; opening never waits for a writer.
std::optional<std::string> ReadListFile(const char* name) {
    const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::optional<std::string> bytes;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
        bytes.emplace();
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                bytes->append(buffer, static_cast<std::size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                bytes.reset();
                break;
            }
        }
    }
    ::close(fd);
    return bytes;
}

}  // namespace

QuickLaunchListRead ReadQuickLaunchList(const std::string& path, QuickLaunch& list) {
    const std::optional<std::string> bytes = ReadListFile(path.c_str());
    if (!bytes) return QuickLaunchListRead::Missing;
    return ParseQuickLaunchList(*bytes, list) ? QuickLaunchListRead::Read
                                              : QuickLaunchListRead::OtherVersion;
}

}  // namespace gb
