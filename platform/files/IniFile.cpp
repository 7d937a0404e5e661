#include "IniFile.h"

#include <stdexcept>

#include "Errors.h"

namespace quillo {

IniFile::IniFile(std::string path) : store_(std::move(path)) {}
IniFile::~IniFile() = default;

IniDocument* IniFile::document() const {
    if (!document_) document_.emplace(store_.load());
    return *document_ ? &**document_ : nullptr;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view def) const {
    if (const IniDocument* d = document()) return d->readString(section, key, def);
    return IniDocument().readString(section, key, def);
}

std::int32_t IniFile::readInteger(std::string_view section, std::string_view key,
                                  std::int32_t def) const {
    const IniDocument* d = document();
    return d ? d->readInteger(section, key, def) : def;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool def) const {
    const IniDocument* d = document();
    return d ? d->readBool(section, key, def) : def;
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    // A line end or NUL inside a value or name would split or cut its line: refuse rather than
    // store something that reads back differently.
    if (!IniDocument::fitsOnOneLine(section) || !IniDocument::fitsOnOneLine(key) ||
        !IniDocument::fitsOnOneLine(value))
        throw SettingsWriteError(path());
    if (!transaction_) {
        Transaction own(*this);
        writeString(section, key, value);
        own.commit();
        return;
    }
    IniDocument* d = document();
    if (!d) throw SettingsWriteError(path());
    // A write that changes nothing (the saver's "Status" at each start, mostly) does not replace
    // the file; a read-only file still refuses it, as it would refuse any write.
    if (d->writeString(section, key, value))
        dirty_ = true;
    else if (!store_.mayWrite())
        throw SettingsWriteError(path());
}

void IniFile::writeInteger(std::string_view section, std::string_view key, std::int32_t value) {
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    writeString(section, key, value ? "1" : "0");
}

void IniFile::begin(Transaction* transaction) {
    if (transaction_) throw std::logic_error("IniFile: a transaction is already open");
    // What was read before the lock may be stale: read again under it.
    document_.reset();
    dirty_ = false;
    transaction_ = transaction;
}

IniFile::Transaction::Transaction(IniFile& file, std::chrono::milliseconds wait)
    : Transaction(file, file.store_.lock(wait)) {}

IniFile::Transaction::Transaction(IniFile& file, IniStore::WritersLock lock)
    : file_(file), lock_(std::move(lock)) {
    file_.begin(this);
}

IniFile::Transaction::~Transaction() {
    // Uncommitted writes never reach the file; forget them.
    if (file_.dirty_) file_.document_.reset();
    file_.dirty_ = false;
    file_.transaction_ = nullptr;
}

void IniFile::Transaction::commit() {
    if (!file_.dirty_) return;
    file_.dirty_ = false;
    try {
        const IniDocument* d = file_.document();
        if (!d) throw SettingsWriteError(file_.path());
        file_.store_.replace(*d);
    } catch (...) {
        // The document no longer matches the file; read it again at the next access.
        file_.document_.reset();
        throw;
    }
}

}  // namespace quillo
