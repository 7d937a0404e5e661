#pragma once
// One operation on an INI file: its document (IniDocument) read from its store (IniStore) at the
// first access and kept until the object is destroyed or a transaction starts, so make a new
// object for each operation. A refused write throws SettingsWriteError; a file that exists but
// cannot be read reads as defaults and refuses writes.
//
// Every write happens inside a writers' transaction (see IniStore): a write made outside one is a
// transaction of its own.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "IniDocument.h"
#include "IniStore.h"

namespace quillo {

class IniFile {
public:
    static constexpr std::size_t kMaxValueLength = IniDocument::kMaxValueLength;
    static constexpr std::uint64_t kMaxFileSize = IniStore::kMaxFileSize;

    explicit IniFile(std::string path);
    ~IniFile();
    IniFile(const IniFile&) = delete;
    IniFile& operator=(const IniFile&) = delete;

    const std::string& path() const { return store_.path(); }

    // As IniDocument reads and writes, on the file.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t def) const;
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);

    // The writers' lock held for a read-change-replace of the file. Starting one takes the lock
    // and drops what the object had read, so the reads inside see the file as it is under the
    // lock. Writes inside change only the object's document until commit() replaces the file with
    // all of them at once; a transaction that ends without commit() leaves the file as it was
    // (all or nothing) and the object reads the file again. The lock is released when the
    // transaction ends. One at a time per object.
    class Transaction {
    public:
        // Waits up to `wait` for another writer; SettingsWriteError when it is not done by then.
        explicit Transaction(IniFile& file, std::chrono::milliseconds wait = IniStore::kWriterWait);
        // With the lock already held (from IniStore::tryLock, say).
        Transaction(IniFile& file, IniStore::WritersLock lock);
        ~Transaction();
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        void commit();

    private:
        IniFile& file_;
        IniStore::WritersLock lock_;
    };

private:
    // The document, or null when the file cannot be read.
    IniDocument* document() const;
    void begin(Transaction* transaction);

    IniStore store_;
    mutable std::optional<std::optional<IniDocument>> document_;  // outer: read yet
    Transaction* transaction_ = nullptr;
    bool dirty_ = false;
};

}  // namespace quillo
