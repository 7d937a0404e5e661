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
// is read, and no read blocks: anything else reads as defaults and refuses writes.
//
// An IniFile object stands for one operation on the file: it reads the file at its first access
// and keeps that image until it is destroyed, so make a new object for each operation.
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

    // Writes made inside a batch go to the file once, atomically, when the batch ends (or not at
    // all if it ends by an exception). For building a whole new file in one step.
    class Batch {
    public:
        explicit Batch(IniFile& file);
        ~Batch() noexcept(false);
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        IniFile& file_;
        int uncaught_;
    };

private:
    struct Image;
    Image& image() const;
    void commit();

    std::string path_;
    mutable std::unique_ptr<Image> image_;
    int batchDepth_ = 0;
    bool dirty_ = false;
};

// Parses an integer by the reading rule above; nullopt when the text is not one.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

}  // namespace quillo
