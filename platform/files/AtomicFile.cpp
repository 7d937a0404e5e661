#include "AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace quillo {

namespace {

bool writeAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += std::size_t(n);
    }
    return true;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// True when the name still names the file open as fd.
bool stillNamed(const std::string& path, int fd) {
    struct stat named {
    }, open{};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &open) == 0 && sameFile(named, open);
}

// A new temporary file beside the target, locked as a live writer's (see above). A cleaner may
// have taken it between its creation and the lock: then the name is gone, and we make another.
int makeLockedTemporary(std::string& temp, const std::string& pattern) {
    for (;;) {
        temp = pattern;
        const int fd = ::mkstemp(temp.data());
        if (fd < 0) return -1;
        if (::flock(fd, LOCK_EX) == 0 && stillNamed(temp, fd)) return fd;
        ::close(fd);
    }
}

}  // namespace

std::string writeTarget(const std::string& path) {
    std::string target = path;
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        target = real;
        std::free(real);
    }
    return target;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void removeLeftoverTemporaries(const std::string& path) {
    // A writer holds an exclusive flock on its temporary file from creation until the rename, so
    // a temporary that can be locked belongs to a write that was killed. Those are removed; one
    // that a running process is writing is never touched.
    const std::string target = writeTarget(path);
    const std::string folder = folderOf(target);
    const std::string prefix = "." + baseName(target) + ".";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = ::readdir(dir)) {
        const std::string_view name(e->d_name);
        if (name.size() != prefix.size() + 6 || name.substr(0, prefix.size()) != prefix) continue;
        const std::string temp = folder + "/" + std::string(name);
        const int fd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::getuid() &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillNamed(temp, fd))
            ::unlink(temp.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

bool replaceFileAtomically(const std::string& path, std::string_view bytes) {
    const std::string target = writeTarget(path);
    // A new file lists a person's pictures: readable by its owner only.
    mode_t mode = 0600;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        // rename() into a writable folder would replace a read-only file: honour its bits.
        if (::access(target.c_str(), W_OK) != 0) return false;
        mode = st.st_mode & 07777;
    }
    const std::string folder = folderOf(target);
    const std::string base = baseName(target);
    std::string temp;
    const int fd = makeLockedTemporary(temp, folder + "/." + base + ".XXXXXX");
    if (fd < 0) return false;
    // The data reach the disk before the rename. The folder itself is not synced: a crash may
    // then keep the old file, which is whole.
    bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fdatasync(fd) == 0;
    // Renamed while still locked, so that no cleaner takes it as left over; the data are on
    // disk already, so closing cannot lose any.
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    ::close(fd);
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

}  // namespace quillo
