// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into the program by the kill-while-saving test: every write to
// the best-list file (or to a file beside it) goes in pieces of 16 bytes with
// a pause before each, and the file's sync and rename wait too. The save then
// takes tens of milliseconds instead of microseconds, so a kill at a random
// moment often lands inside it, and a save that is not safe at every moment
// would be caught half-way.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr std::size_t Piece = 16;
constexpr useconds_t PauseUs = 1000;
constexpr const char* FileName = "dataGehoer.qvb";

bool isBestListFile(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char path[PATH_MAX];
    const ssize_t n = readlink(link, path, sizeof path - 1);
    if (n <= 0)
        return false;
    path[n] = '\0';
    return std::strstr(path, FileName) != nullptr;
}

template <class F> F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}
} // namespace

extern "C" ssize_t write(int fd, const void* buffer, size_t count) {
    static const auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
    if (count > 0 && isBestListFile(fd)) {
        const int saved = errno;
        usleep(PauseUs);
        errno = saved;
        return real(fd, buffer, count < Piece ? count : Piece);
    }
    return real(fd, buffer, count);
}

extern "C" int fsync(int fd) {
    static const auto real = next<int (*)(int)>("fsync");
    if (isBestListFile(fd))
        usleep(5 * PauseUs);
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
    static const auto real = next<int (*)(const char*, const char*)>("rename");
    if (std::strstr(to, FileName))
        usleep(5 * PauseUs);
    return real(from, to);
}
