#pragma once
// Single-key access to an INI file with the semantics of the classic private-profile functions:
//  - section and key names compare without regard to ASCII case, after trimming;
//  - values are trimmed and lose one outer pair of matching quotes (" or ') on reading, and are
//    cut to kMaxValueLength characters;
//  - the first matching section and the first matching key in it win;
//  - a line without '=' or starting with ';' is kept and never matches;
//  - a new key goes at the end of its section, a new section at the end of the file;
//  - a missing file, section or key gives the caller's default.
// LF, CRLF and CR line ends and a UTF-8 byte-order mark are read alike. Every write replaces the
// file atomically (temporary file in the same folder, flushed, renamed over the old one) and keeps
// every other line byte for byte; a refused write throws SettingsWriteError. Only a regular file
// is read, and no read blocks: anything else reads as defaults and refuses writes. A new file is
// made readable by its owner only (0600); a replaced file keeps its mode.
//
// Several processes write the same file (the dialog, any number of savers starting): every write
// happens inside a transaction that holds an exclusive lock on a lock file beside the file
// (".<name>.lock"), reads the file afresh under it, changes only its own keys and replaces the
// file once. A write made outside a transaction is a transaction of its own.
//
// An IniFile object stands for one operation on the file: it reads the file at its first access
// and keeps that image until it is destroyed (or a transaction starts), so make a new object for
// each operation. Lookups go through an index per section, so reading many keys costs no scan of
// the file per key, and memory stays within a small multiple of the file's size.
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = 2047;
    // A settings file is never read beyond this size (the program itself writes at most about
    // 4 MiB: two lists of 1000 slots with values of kMaxValueLength characters); a larger one
    // makes every access throw SettingsFileTooLarge.
    static constexpr std::uint64_t kMaxFileSize = std::uint64_t(64) << 20;

    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& path() const { return path_; }

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Decimal, or hexadecimal after "0x"/"0X" (at least three characters); anything that is not a
    // 32-bit integer gives the default.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t def) const;
    // An integer read; true when it is not 0.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    // The writers' lock held for a read-change-replace of the file. Starting one takes the lock
    // (waiting for another writer to finish; SettingsWriteError when it cannot be had) and drops
    // what the object had read, so the reads inside see the file as it is under the lock. Writes
    // inside change only the object's image until commit() replaces the file with all of them at
    // once; a transaction that ends without commit() leaves the file as it was (all or nothing).
    // The lock is released when the transaction ends. One at a time per object. A writer that
    // cannot wait (the saver's start) passes a short lockWait and is told SettingsLockBusy, a
    // kind of SettingsWriteError, when another writer still holds the lock after it.
    static constexpr std::chrono::milliseconds kLockWait{10'000};
    class Transaction {
    public:
        explicit Transaction(IniFile& file, std::chrono::milliseconds lockWait = kLockWait);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        IniFile& file_;
        int lockFd_ = -1;
    };

private:
    struct Image;
    Image& image() const;
    void replaceFile();

    std::string path_;
    mutable std::unique_ptr<Image> image_;
    Transaction* transaction_ = nullptr;
    bool dirty_ = false;
};

// Parses an integer by the reading rule above; nullopt when the text is not one.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

}  // namespace quillo
