// The safe save of a file's bytes, and the system calls of its in-place write gathered so that
// tests can make any of them fail.
#pragma once

#include <sys/quota.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace gb {

// Writes bytes to a temporary file beside path and renames it over path only when every byte
// reached the disk, so a failed save leaves any old file as it was. A symbolic link is followed to
// the file it names (a dangling one creates it); a file the user may not write is refused; the
// new file keeps the old one's permission bits (and owner and group where allowed); a target
// that is not a regular file (a FIFO, /dev/null) is written into, not replaced, and an open
// descriptor (/dev/stdout, /dev/fd/N) is written after what it holds; a writable file
// in a folder that cannot take the temporary file is overwritten in place, its old bytes kept
// and put back when any step fails. On failure returns false and sets error to the system's
// reason, and changedOnFailure (when given) to whether the file was left changed: only when an
// in-place write failed and its old bytes could not be put back either.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error,
                         bool* changedOnFailure = nullptr);

// The system calls of the in-place save (a writable file in a folder that takes no new file).
struct InPlaceSaveCalls {
    ssize_t (*pwrite)(int fd, const void* buffer, std::size_t size, off_t offset);
    int (*ftruncate)(int fd, off_t length);
    int (*fsync)(int fd);
    // Reserves the blocks of the first length bytes without changing the file's content or size
    // (fallocate with FALLOC_FL_KEEP_SIZE); the file system counts free space and quotas itself.
    int (*reserve)(int fd, off_t length);
    int (*fstatvfs)(int fd, struct statvfs* buffer);
    // The block quota of one kind (USRQUOTA, GRPQUOTA) for one id on the file's file system.
    int (*getQuota)(int fd, int kind, unsigned id, struct dqblk* quota);
};

// The calls in use: the system's own unless a test replaced them.
InPlaceSaveCalls& InPlaceSaveCallsInUse();

}  // namespace gb
