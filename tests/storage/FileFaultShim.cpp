// Preloaded into a test's child process. Writes to files whose path contains VORN_FAIL_PATH fail
// with ENOSPC once VORN_FAIL_AFTER bytes have gone to such files, as on a disk that fills up;
// reads from files whose path contains VORN_HANG_PATH never return, as in an engine that waits
// forever on a damaged file.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<long long> written{0};

bool watched(int fd, const char* variable = "VORN_FAIL_PATH")
{
    const char* marker = std::getenv(variable);
    if (!marker || !*marker)
        return false;
    char link[64];
    char target[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = readlink(link, target, sizeof target - 1);
    if (n <= 0)
        return false;
    target[n] = '\0';
    return std::strstr(target, marker) != nullptr;
}

// True when the write of count bytes must fail.
bool refuse(int fd, long long count)
{
    if (!watched(fd))
        return false;
    const char* after = std::getenv("VORN_FAIL_AFTER");
    const long long limit = after ? std::atoll(after) : 0;
    if (written.load() + count > limit) {
        errno = ENOSPC;
        return true;
    }
    written += count;
    return false;
}

void hangOnWatched(int fd)
{
    if (watched(fd, "VORN_HANG_PATH"))
        for (;;)
            pause();
}

template <typename F> F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

ssize_t pread(int fd, void* buffer, size_t count, off_t offset)
{
    static auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
    hangOnWatched(fd);
    return real(fd, buffer, count, offset);
}

ssize_t pread64(int fd, void* buffer, size_t count, off64_t offset)
{
    static auto real = next<ssize_t (*)(int, void*, size_t, off64_t)>("pread64");
    hangOnWatched(fd);
    return real(fd, buffer, count, offset);
}

ssize_t write(int fd, const void* buffer, size_t count)
{
    static auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    return refuse(fd, static_cast<long long>(count)) ? -1 : real(fd, buffer, count);
}

ssize_t pwrite(int fd, const void* buffer, size_t count, off_t offset)
{
    static auto real = next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
    return refuse(fd, static_cast<long long>(count)) ? -1 : real(fd, buffer, count, offset);
}

ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t offset)
{
    static auto real = next<ssize_t (*)(int, const void*, size_t, off64_t)>("pwrite64");
    return refuse(fd, static_cast<long long>(count)) ? -1 : real(fd, buffer, count, offset);
}

int fallocate(int fd, int mode, off_t offset, off_t length)
{
    static auto real = next<int (*)(int, int, off_t, off_t)>("fallocate");
    return refuse(fd, length) ? -1 : real(fd, mode, offset, length);
}

int fallocate64(int fd, int mode, off64_t offset, off64_t length)
{
    static auto real = next<int (*)(int, int, off64_t, off64_t)>("fallocate64");
    return refuse(fd, length) ? -1 : real(fd, mode, offset, length);
}

int posix_fallocate(int fd, off_t offset, off_t length)
{
    static auto real = next<int (*)(int, off_t, off_t)>("posix_fallocate");
    return refuse(fd, length) ? ENOSPC : real(fd, offset, length);
}

int posix_fallocate64(int fd, off64_t offset, off64_t length)
{
    static auto real = next<int (*)(int, off64_t, off64_t)>("posix_fallocate64");
    return refuse(fd, length) ? ENOSPC : real(fd, offset, length);
}
}
