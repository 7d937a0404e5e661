#pragma once
// The text of an INI file in memory, read and changed key by key with the semantics of the
// classic private-profile functions:
//  - section and key names compare without regard to ASCII case, after trimming;
//  - values are trimmed and lose one outer pair of matching quotes (" or ') on reading, and are
//    cut to kMaxValueLength characters;
//  - the first matching section and the first matching key in it win;
//  - a line without '=' or starting with ';' is kept and never matches;
//  - a new key goes at the end of its section, a new section at the end of the text;
//  - a missing section or key gives the caller's default.
// LF, CRLF and CR line ends and a UTF-8 byte-order mark are read alike. serialize() gives back
// every line that was not written byte for byte; a new line takes the line end of the line it
// follows (an empty text gets LF). No file system here: IniStore reads and replaces the file.
//
// Lookups go through an index per section, built at its first use, so reading many keys costs no
// scan of the text per key, and memory stays within a small multiple of the text's size.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillo {

class IniDocument {
public:
    static constexpr std::size_t kMaxValueLength = 2047;

    IniDocument();  // no text: every read gives its default
    explicit IniDocument(std::string bytes);
    ~IniDocument();
    IniDocument(IniDocument&&) noexcept;
    IniDocument& operator=(IniDocument&&) noexcept;

    std::string readString(std::string_view section, std::string_view key,
                           std::string_view def) const;
    // Decimal, or hexadecimal after "0x"/"0X" (at least three characters); anything that is not a
    // 32-bit integer gives the default.
    std::int32_t readInteger(std::string_view section, std::string_view key,
                             std::int32_t def) const;
    // An integer read; true when it is not 0.
    bool readBool(std::string_view section, std::string_view key, bool def) const;

    // Sets the key so that it reads back as value. False when the text already says exactly that
    // (nothing changed). A name or value holding a line end or NUL would split or cut its line:
    // that throws std::invalid_argument and changes nothing (see fitsOnOneLine).
    bool writeString(std::string_view section, std::string_view key, std::string_view value);
    bool writeInteger(std::string_view section, std::string_view key, std::int32_t value);
    bool writeBool(std::string_view section, std::string_view key, bool value);

    std::string serialize() const;

    static bool fitsOnOneLine(std::string_view text);

private:
    struct Lines;
    std::unique_ptr<Lines> text_;
};

// Parses an integer by the reading rule above; nullopt when the text is not one.
std::optional<std::int32_t> parseIniInteger(std::string_view text);

}  // namespace quillo
