#pragma once
// An INI file on disk, for the writers that share it (the dialog, any number of savers
// starting): a bounded read of its text, the writers' lock, and its atomic replacement.
//
// Writers take turns through an exclusive flock on a lock file beside the file
// (".<name>.lock"), read the file afresh under it, change only their own keys and replace the
// file once. Each writer, once it holds the lock, removes the temporaries that killed writers left.
// Only a regular file is read and no read blocks; a file that exists but cannot be read is never
// overwritten. A new file is made readable by its owner only (0600); a replaced file keeps its
// mode.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "IniDocument.h"

namespace quillo {

class IniStore {
public:
    // A settings file is never read beyond this size (the program itself writes at most about
    // 4 MiB: two lists of 1000 slots with values of the longest length); a larger one makes every
    // access throw SettingsFileTooLarge.
    static constexpr std::uint64_t kMaxFileSize = std::uint64_t(64) << 20;
    // How long a writer waits for another by default. A writer holds the lock only while it
    // reads, changes and replaces the file; one that has not ended by then (a stopped process)
    // makes the write fail rather than hang.
    static constexpr std::chrono::milliseconds kWriterWait{10000};

    explicit IniStore(std::string path);
    const std::string& path() const { return path_; }

    // The file as it is now: a missing file is an empty document, one that exists but cannot be
    // read (not a regular file, no permission, a read error) is nullopt. Throws
    // SettingsFileTooLarge.
    std::optional<IniDocument> load() const;

    // Replaces the file with the document's text, all at once. Throws SettingsWriteError.
    void replace(const IniDocument& document) const;

    // False when a replacement would surely be refused (the file, or the folder of a new one,
    // may not be written by this process).
    bool mayWrite() const;

    // The writers' lock, held while the object lives.
    class WritersLock {
    public:
        WritersLock(WritersLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
        WritersLock& operator=(WritersLock&&) = delete;
        WritersLock(const WritersLock&) = delete;
        ~WritersLock();

    private:
        friend class IniStore;
        explicit WritersLock(int fd) : fd_(fd) {}
        int fd_;
    };

    // One attempt that never waits: the lock, or nullopt while another writer holds it. Throws
    // SettingsWriteError when the lock file cannot be opened at all.
    std::optional<WritersLock> tryLock() const;
    // Waits up to `wait` for the lock; SettingsWriteError when it is not had by then.
    WritersLock lock(std::chrono::milliseconds wait = kWriterWait) const;

private:
    // The lock just taken on fd, after the temporaries of killed writers are removed.
    WritersLock taken(int fd) const;

    std::string path_;
};

}  // namespace quillo
