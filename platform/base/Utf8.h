#pragma once
// Text as UTF-8 characters: each well-formed sequence stays as it is, and every byte that starts
// no well-formed sequence (a stray continuation, an overlong form, a surrogate, a sequence cut
// short) becomes U+FFFD, the replacement character.
#include <string>
#include <vector>

namespace quillo {

inline constexpr const char* kReplacementCharacter = "\xEF\xBF\xBD";

inline std::vector<std::string> utf8Characters(const std::string& text) {
    std::vector<std::string> out;
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char b = byte(i);
        std::size_t n = 0;
        unsigned long cp = 0, least = 0;
        if (b < 0x80)
            n = 1, cp = b;
        else if (b >= 0xC2 && b <= 0xDF)
            n = 2, cp = b & 0x1F, least = 0x80;
        else if (b >= 0xE0 && b <= 0xEF)
            n = 3, cp = b & 0x0F, least = 0x800;
        else if (b >= 0xF0 && b <= 0xF4)
            n = 4, cp = b & 0x07, least = 0x10000;
        bool ok = n > 0 && i + n <= text.size();
        for (std::size_t k = 1; ok && k < n; ++k) {
            ok = (byte(i + k) & 0xC0) == 0x80;
            cp = cp << 6 | (byte(i + k) & 0x3F);
        }
        if (ok && (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            out.emplace_back(kReplacementCharacter);
            ++i;
            continue;
        }
        out.push_back(text.substr(i, n));
        i += n;
    }
    return out;
}

}  // namespace quillo
