#pragma once
// Letter case of the ASCII letters only: file extensions, INI names, switches and the free-slot
// marker compare this way whatever the locale, and bytes above 127 are never touched.
#include <string>
#include <string_view>

namespace quillo {

constexpr char asciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}
constexpr char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

inline std::string asciiUpper(std::string s) {
    for (char& c : s) c = asciiUpper(c);
    return s;
}
inline std::string asciiLower(std::string s) {
    for (char& c : s) c = asciiLower(c);
    return s;
}

constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace quillo
