// The safe save: a new file is written beside the old one and takes its place only when every
// byte reached the disk, so a failed save leaves the old file as it was.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "formats/safe_save.h"

namespace gb {

namespace {

namespace fs = std::filesystem;

constexpr int kMaxLinks = 40;  // as the kernel's own limit on a chain of symbolic links
constexpr std::size_t kTempNameStem = 200;
#ifdef SYS_quotactl_fd
constexpr long kQuotactlFd = SYS_quotactl_fd;
#else
constexpr long kQuotactlFd = 443;  // the same number on every architecture
#endif

// Writes every byte to fd, going on after interruptions; 0 or the error number.
int WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int CloseKeepingError(int fd, int err) {
    const int closed = ::close(fd) == 0 ? 0 : errno;
    return err != 0 ? err : closed;
}

// Whether a link stands among a process's descriptors (/proc/<pid>/fd, reached as /dev/stdout
// or /dev/fd/N too). Such a link names an open file, which need not have a path at all (a pipe).
bool IsDescriptorLink(const fs::path& link) {
    std::error_code error;
    const fs::path folder = fs::canonical(link.has_parent_path() ? link.parent_path() : ".", error);
    return !error && folder.string().rfind("/proc/", 0) == 0;
}

// The path a chain of symbolic links ends at; that path need not exist (a dangling link names
// the file a save creates). A descriptor link ends the chain and sets descriptor. 0 or the error
// number (ELOOP for a cycle).
int ResolveLinks(const std::string& path, fs::path& resolved, bool& descriptor) {
    fs::path p(path);
    descriptor = false;
    for (int hops = 0;; ++hops) {
        struct stat st {};
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            resolved = p;
            return 0;
        }
        if (IsDescriptorLink(p)) {
            resolved = p;
            descriptor = true;
            return 0;
        }
        if (hops == kMaxLinks) return ELOOP;
        std::error_code error;
        const fs::path target = fs::read_symlink(p, error);
        if (error) return error.value();
        p = target.is_absolute() ? target : p.parent_path() / target;
    }
}

int FsyncDirectory(const fs::path& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int err = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return err;
}

// A target that is not a regular file (a FIFO, a terminal, /dev/null) is written into, never
// replaced. An open descriptor (/dev/stdout) is written after what was written to it before.
int WriteIntoSpecialFile(const fs::path& target, std::string_view bytes, bool append) {
    const int fd =
        ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY | (append ? O_APPEND : 0));
    if (fd < 0) return errno;
    return CloseKeepingError(fd, WriteAll(fd, bytes));
}

// The old content of the file, read before anything is written over it; 0 or the error number
// (ENOMEM when it does not fit in memory).
int ReadOldBytes(int fd, std::size_t size, std::string& old) {
    try {
        old.reserve(size);
        char buffer[64 * 1024];
        for (off_t at = 0;;) {
            const ssize_t n = ::pread(fd, buffer, sizeof buffer, at);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) return errno;
            if (n == 0) return 0;
            old.append(buffer, static_cast<std::size_t>(n));
            at += n;
        }
    } catch (const std::bad_alloc&) {
        return ENOMEM;
    }
}

// Room for the larger of the new and the old content where the file stands, so that neither the
// new bytes nor the old ones put back can run out of it: the file-size limit, then the blocks,
// reserved where the file system can (it counts free space and every quota itself) and counted
// against the free space and the owner's and group's block quotas where it cannot.
int CheckRoomForInPlaceWrite(int fd, const struct stat& st, std::size_t oldSize,
                             std::size_t newSize) {
    const InPlaceSaveCalls& calls = InPlaceSaveCallsInUse();
    const unsigned long long size = std::max(oldSize, newSize);
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size > limit.rlim_cur)
        return EFBIG;
    if (size == 0) return 0;
    if (calls.reserve(fd, static_cast<off_t>(size)) == 0) return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS && errno != EINVAL) return errno;

    struct statvfs fs {};
    if (calls.fstatvfs(fd, &fs) != 0) return 0;  // nothing to count with; the writes will tell
    const unsigned long long block = fs.f_frsize != 0 ? fs.f_frsize : 512;
    const unsigned long long held = static_cast<unsigned long long>(st.st_blocks) * 512;
    const unsigned long long wanted = (size + block - 1) / block * block;
    if (wanted <= held) return 0;
    const unsigned long long more = wanted - held;
    if (more > static_cast<unsigned long long>(fs.f_bavail) * block) return ENOSPC;
    for (const auto& [kind, id] :
         {std::pair<int, unsigned>{USRQUOTA, st.st_uid}, {GRPQUOTA, st.st_gid}}) {
        struct dqblk quota {};
        // A quota that cannot be read (none set up, another user's) limits nothing known here.
        if (calls.getQuota(fd, kind, id, &quota) != 0 || !(quota.dqb_valid & QIF_BLIMITS) ||
            quota.dqb_bhardlimit == 0)
            continue;
        const unsigned long long allowed = quota.dqb_bhardlimit * QIF_DQBLKSIZE;
        if (quota.dqb_curspace + more > allowed) return EDQUOT;
    }
    return 0;
}

// Writes bytes over the file from its start and cuts it after them, then waits for the disk.
// touched tells whether anything may have reached the file. 0 or the error number.
int OverwriteFile(int fd, std::string_view bytes, bool& touched) {
    const InPlaceSaveCalls& calls = InPlaceSaveCallsInUse();
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            calls.pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        touched = true;
        done += static_cast<std::size_t>(n);
    }
    touched = true;
    if (calls.ftruncate(fd, static_cast<off_t>(bytes.size())) != 0) return errno;
    return calls.fsync(fd) == 0 ? 0 : errno;
}

// The file itself, overwritten where it stands: for a folder that cannot take a temporary file
// while the file is writable. Its old bytes are read first and put back when any step fails;
// changed is set only when putting them back failed too. Not safe against the process being
// killed half-way, which no rename protects here.
int WriteInPlace(const fs::path& target, std::string_view bytes, bool& changed) {
    changed = false;
    // Read as well as written: a file whose old bytes cannot be kept is not written over.
    const int fd = ::open(target.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) return CloseKeepingError(fd, errno);
    std::string old;
    int err = ReadOldBytes(fd, static_cast<std::size_t>(st.st_size), old);
    if (err == 0) err = CheckRoomForInPlaceWrite(fd, st, old.size(), bytes.size());
    if (err != 0) return CloseKeepingError(fd, err);
    bool touched = false;
    err = OverwriteFile(fd, bytes, touched);
    if (err == 0) {
        // Once the new bytes are on the disk the save is done, whatever closing says.
        ::close(fd);
        return 0;
    }
    bool again = false;
    if (touched && OverwriteFile(fd, old, again) != 0) changed = true;
    ::close(fd);
    return err;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
}

}  // namespace

InPlaceSaveCalls& InPlaceSaveCallsInUse() {
    static InPlaceSaveCalls calls{
        ::pwrite,
        ::ftruncate,
        ::fsync,
        [](int fd, off_t length) { return ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, length); },
        ::fstatvfs,
        [](int fd, int kind, unsigned id, struct dqblk* quota) {
            return static_cast<int>(::syscall(kQuotactlFd, fd, QCMD(Q_GETQUOTA, kind), id, quota));
        },
    };
    return calls;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         bool* changedOnFailure) {
    if (changedOnFailure != nullptr) *changedOnFailure = false;
    const auto failed = [&error](int err) {
        error = std::strerror(err);
        return false;
    };
    fs::path target;
    bool descriptor = false;
    if (const int err = ResolveLinks(path, target, descriptor); err != 0) return failed(err);

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return failed(errno);
    if (descriptor || (exists && !S_ISREG(old.st_mode))) {
        const int err = WriteIntoSpecialFile(target, bytes, descriptor);
        return err == 0 || failed(err);
    }
    // The same answer opening the file for writing would give (a read-only file, a file of
    // another user, a read-only file system): such a file is not replaced behind its owner's back.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return failed(errno);

    const fs::path dir = target.has_parent_path() ? target.parent_path() : fs::path(".");
    // The temporary name stays within the longest name a folder takes, however long the file's.
    std::string temp =
        (dir / ("." + target.filename().string().substr(0, kTempNameStem) + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        const int err = errno;
        if (exists && (err == EACCES || err == EPERM)) {
            bool changed = false;
            const int inPlace = WriteInPlace(target, bytes, changed);
            if (changedOnFailure != nullptr) *changedOnFailure = changed;
            return inPlace == 0 || failed(inPlace);
        }
        return failed(err);
    }
    const auto discard = [&](int err) {
        ::close(fd);
        ::unlink(temp.c_str());
        return failed(err);
    };
    if (const int err = WriteAll(fd, bytes); err != 0) return discard(err);
    // The new file stands in for the old one: its owner and group where the system lets us (the
    // group alone when only that is allowed), then its permission bits; a new file gets the
    // usual ones.
    if (exists && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
        if (::fchown(fd, old.st_uid, old.st_gid) != 0)
            (void)!::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    if (::fchmod(fd, exists ? (old.st_mode & 07777) : NewFileMode()) != 0) return discard(errno);
    if (::fsync(fd) != 0) return discard(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failed(err);
    }
    if (std::rename(temp.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(temp.c_str());
        return failed(err);
    }
    // The rename itself reaches the disk only with the folder; the file is saved either way.
    FsyncDirectory(dir);
    return true;
}

}  // namespace gb
