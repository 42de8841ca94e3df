// The system calls of the in-place save (a writable file in a folder that takes no new file),
// gathered so that tests can make any of them fail.
#pragma once

#include <sys/quota.h>
#include <sys/statvfs.h>
#include <sys/types.h>

#include <cstddef>

namespace gb {

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
