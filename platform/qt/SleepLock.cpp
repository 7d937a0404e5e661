#include "SleepLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace quillo {

void releaseSleepLock() {
    static bool released = false;
    if (released) return;
    released = true;
    const char* text = std::getenv("XSS_SLEEP_LOCK_FD");
    if (!text) return;
    int fd = -1;
    const char* end = text + std::strlen(text);
    const auto [rest, error] = std::from_chars(text, end, fd);
    // Standard streams are never the lock, and a descriptor that is not open is left alone.
    if (error == std::errc() && rest == end && fd > 2 && ::fcntl(fd, F_GETFD) != -1) ::close(fd);
    // Nothing we start later may inherit a name for a closed descriptor.
    ::unsetenv("XSS_SLEEP_LOCK_FD");
}

}  // namespace quillo
