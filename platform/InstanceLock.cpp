#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace quillo {

namespace {

std::string lockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/quillo";
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/quillo-" + std::to_string(getuid());
}

int openLockFile() {
    const std::string folder = lockFolder();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return -1;
    return ::open((folder + "/saver.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

}  // namespace

std::string InstanceLock::lockPath() {
    return lockFolder() + "/saver.lock";
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool InstanceLock::acquire() {
    if (fd_ >= 0) return true;
    const int fd = openLockFile();
    if (fd < 0) return false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

bool InstanceLock::saverRunning() {
    // Looking must not leave anything behind: only open an existing lock file.
    const int fd = ::open(lockPath().c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

}  // namespace quillo
