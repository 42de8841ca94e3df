// Preloaded into gridbloom-cli by the tests: read() of a file whose path ends with
// $GB_FAIL_READ fails with EIO once $GB_FAIL_READ_AFTER reads of it have succeeded, as a disk
// that fails in the middle of a file does.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" ssize_t read(int fd, void* buffer, size_t count) {
    using Read = ssize_t (*)(int, void*, size_t);
    static Read real = nullptr;
    static int succeeded = 0;
    if (real == nullptr) real = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
    const char* suffix = std::getenv("GB_FAIL_READ");
    if (suffix != nullptr && fd > 2) {
        char link[64];
        char target[4096];
        std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t length = ::readlink(link, target, sizeof target - 1);
        const std::size_t wanted = std::strlen(suffix);
        if (length >= 0 && static_cast<std::size_t>(length) >= wanted &&
            std::memcmp(target + length - wanted, suffix, wanted) == 0) {
            const char* after = std::getenv("GB_FAIL_READ_AFTER");
            if (succeeded >= (after != nullptr ? std::atoi(after) : 0)) {
                errno = EIO;
                return -1;
            }
            ++succeeded;
        }
    }
    return real(fd, buffer, count);
}
