#include "InstanceLock.h"

#include <fcntl.h>
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

int openLockFile(const char* name) {
    const std::string folder = lockFolder(true);
    if (folder.empty()) return -1;
    return ::open((folder + "/" + name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
}

// The whole file, as one record: F_RDLCK shares it, F_WRLCK holds it alone.
struct flock wholeFile(short type) {
    struct flock record {};
    record.l_type = type;
    record.l_whence = SEEK_SET;
    return record;  // l_start and l_len 0: to the end, however long; l_pid 0, as OFD locks need
}

// Opens the lock file and takes the lock without waiting into `fd`; false only when another
// process holds it. A lock that cannot be made (no folder of ours, a file system without such
// locks) keeps nobody away: the start runs unmarked, as it would without the lock.
bool takeLock(int& fd, const char* name, short type) {
    if (fd >= 0) return true;
    const int file = openLockFile(name);
    if (file < 0) return true;
    struct flock record = wholeFile(type);
    if (::fcntl(file, F_OFD_SETLK, &record) != 0) {
        const bool held = errno == EAGAIN || errno == EACCES;
        ::close(file);
        return !held;
    }
    fd = file;
    return true;
}

// Whether a lock of that type would conflict with one some process holds. Only a test: nothing
// is taken, and nothing is made (only an existing lock file is opened).
bool conflicts(short type) {
    const std::string path = InstanceLock::lockPath();
    if (path.empty()) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    struct flock record = wholeFile(type);
    const bool held = ::fcntl(fd, F_OFD_GETLK, &record) == 0 && record.l_type != F_UNLCK;
    ::close(fd);
    return held;
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
    return takeLock(fd_, "saver.lock", F_WRLCK);
}

bool InstanceLock::acquireShared() {
    return takeLock(fd_, "saver.lock", F_RDLCK);
}

bool InstanceLock::saverRunning() {
    return conflicts(F_WRLCK);  // a write lock conflicts with every holder
}

bool InstanceLock::soleSaverRunning() {
    return conflicts(F_RDLCK);  // a read lock conflicts only with a write lock
}

SoundLock::~SoundLock() {
    if (fd_ >= 0) ::close(fd_);
}

bool SoundLock::tryAcquire() {
    return takeLock(fd_, "sound.lock", F_WRLCK);
}

}  // namespace quillo
