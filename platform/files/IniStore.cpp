#include "IniStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <thread>

#include "AtomicFile.h"
#include "Errors.h"
#include "ScopeExit.h"

namespace quillo {

IniStore::IniStore(std::string path) : path_(std::move(path)) {}

std::optional<IniDocument> IniStore::load() const {
    // Never blocks: a FIFO would wait in open() for a writer. Only a regular file is read; any
    // other kind is a file that cannot be read.
    const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT) return IniDocument();
        return std::nullopt;
    }
    ScopeExit closer([fd] { ::close(fd); });
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (std::uint64_t(st.st_size) > kMaxFileSize) throw SettingsFileTooLarge(path_);
    // Read straight into one buffer, sized once: the file is held once.
    std::string bytes(std::size_t(st.st_size) + 1, '\0');
    std::size_t size = 0;
    for (;;) {
        if (size == bytes.size()) {
            // Grown since fstat: the limit holds all the same.
            if (size > kMaxFileSize) throw SettingsFileTooLarge(path_);
            bytes.resize(std::min<std::size_t>(size * 2, kMaxFileSize + 1));
        }
        const ssize_t n = ::read(fd, bytes.data() + size, bytes.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) break;
        size += std::size_t(n);
    }
    if (size > kMaxFileSize) throw SettingsFileTooLarge(path_);
    bytes.resize(size);
    return IniDocument(std::move(bytes));
}

void IniStore::replace(const IniDocument& document) const {
    if (!replaceFileAtomically(path_, document.serialize())) throw SettingsWriteError(path_);
}

bool IniStore::mayWrite() const {
    const std::string target = writeTarget(path_);
    if (::access(target.c_str(), F_OK) == 0) return ::access(target.c_str(), W_OK) == 0;
    return ::access(folderOf(target).c_str(), W_OK) == 0;
}

IniStore::WritersLock::~WritersLock() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

int openLockFile(const std::string& path) {
    const std::string target = writeTarget(path);
    const std::string lockPath = folderOf(target) + "/." + baseName(target) + ".lock";
    const int fd =
        ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY, 0600);
    if (fd < 0) throw SettingsWriteError(path);
    return fd;
}

// 1: taken; 0: another writer has it; -1: flock failed otherwise.
int attempt(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 1;
    return errno == EWOULDBLOCK || errno == EINTR ? 0 : -1;
}

}  // namespace

IniStore::WritersLock IniStore::taken(int fd) const {
    // Every writer makes and renames its temporary while it holds this lock, and a killed one
    // lets go of it: whatever temporary is left now belongs to no live writer. Removed at every
    // start of a write, even one that ends up changing nothing (the saver's start, mostly).
    removeLeftoverTemporaries(path_);
    return WritersLock(fd);
}

std::optional<IniStore::WritersLock> IniStore::tryLock() const {
    const int fd = openLockFile(path_);
    const int got = attempt(fd);
    if (got == 1) return taken(fd);
    ::close(fd);
    if (got < 0) throw SettingsWriteError(path_);
    return std::nullopt;
}

IniStore::WritersLock IniStore::lock(std::chrono::milliseconds wait) const {
    const int fd = openLockFile(path_);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    auto pause = std::chrono::microseconds(200);
    for (;;) {
        const int got = attempt(fd);
        if (got == 1) return taken(fd);
        if (got < 0 || std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(5000));
    }
    ::close(fd);
    throw SettingsWriteError(path_);
}

}  // namespace quillo
