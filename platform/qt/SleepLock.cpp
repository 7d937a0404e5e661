#include "SleepLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace quillo {

namespace {

// The descriptor the idle daemon handed us, or -1. Only one that was open before the program
// opened anything can be the daemon's: any other number would name one of our own (the X
// connection, the instance lock), and closing that would break the saver.
int g_sleepLock = -1;

}  // namespace

void claimSleepLock() {
    const char* text = std::getenv("XSS_SLEEP_LOCK_FD");
    if (!text) return;
    int fd = -1;
    const char* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, fd);
    // Standard streams are never the lock, and a descriptor that is not open is left alone.
    if (error == std::errc() && rest == end && fd > 2 && ::fcntl(fd, F_GETFD) != -1) {
        g_sleepLock = fd;
        // Nothing we start may inherit it.
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    ::unsetenv("XSS_SLEEP_LOCK_FD");
}

void releaseSleepLock() {
    if (g_sleepLock < 0) return;
    ::close(g_sleepLock);
    g_sleepLock = -1;
}

}  // namespace quillo
