#include "InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "Paths.h"

namespace quillo {

namespace {

// A lock folder is trusted only when it is ours alone: a real folder (not a link), owned by us,
// mode 0700. Anyone else's folder could hold a lock that keeps every start from running.
bool ownFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 07777) == 0700;
}

// Makes the folder (when `create`) and says whether it can be trusted.
bool usable(const std::string& path, bool create) {
    if (create && ::mkdir(path.c_str(), 0700) == 0) ::chmod(path.c_str(), 0700);  // despite umask
    return ownFolder(path);
}

std::string homeCache() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache == '/') return cache;
    const std::string home = homeDirectory();
    return home.empty() ? std::string() : home + "/.cache";
}

// $XDG_RUNTIME_DIR/quillo; without a runtime folder the shared temp folder's quillo-<uid>, as
// long as it is ours; otherwise our cache folder's quillo. "" when none can be trusted.
std::string lockFolder(bool create) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        const std::string folder = std::string(runtime) + "/quillo";
        if (usable(folder, create)) return folder;
    } else {
        const char* tmp = std::getenv("TMPDIR");
        const std::string folder =
            std::string(tmp && *tmp ? tmp : "/tmp") + "/quillo-" + std::to_string(getuid());
        if (usable(folder, create)) return folder;
    }
    const std::string cache = homeCache();
    if (cache.empty()) return {};
    if (create) ::mkdir(cache.c_str(), 0700);
    const std::string folder = cache + "/quillo";
    return usable(folder, create) ? folder : std::string();
}

int openLockFile() {
    const std::string folder = lockFolder(true);
    if (folder.empty()) return -1;
    return ::open((folder + "/saver.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                  0600);
}

}  // namespace

std::string InstanceLock::lockPath() {
    const std::string folder = lockFolder(false);
    return folder.empty() ? std::string() : folder + "/saver.lock";
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
    const std::string path = lockPath();
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

}  // namespace quillo
