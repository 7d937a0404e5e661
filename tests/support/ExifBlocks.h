#pragma once
// Exif blocks with dates, as cameras write them, for the tests of the date reader and of the
// captions.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillo::test {

inline void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
inline void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A little-endian block: the first directory at 8 with the orientation 6, DateTime when given
// and the Exif pointer when `original` is given; the Exif directory after it with
// DateTimeOriginal; the strings after both. Offsets count from the TIFF header.
inline std::vector<std::uint8_t> dateBlock(std::optional<std::string> dateTime,
                                           std::optional<std::string> original) {
    const std::uint32_t ifd0Entries = 1 + (dateTime ? 1 : 0) + (original ? 1 : 0);
    const std::uint32_t ifd0End = 8 + 2 + 12 * ifd0Entries + 4;
    const std::uint32_t exifIfd = ifd0End;
    const std::uint32_t exifEnd = original ? exifIfd + 2 + 12 + 4 : exifIfd;
    const std::uint32_t dateTimeAt = exifEnd;
    const std::uint32_t originalAt = dateTimeAt + (dateTime ? 20 : 0);
    std::vector<std::uint8_t> b = {'I', 'I', 42, 0};
    put32(b, 8);
    put16(b, ifd0Entries);
    put16(b, 0x0112), put16(b, 3), put32(b, 1), put32(b, 6);
    if (dateTime) put16(b, 0x0132), put16(b, 2), put32(b, 20), put32(b, dateTimeAt);
    if (original) put16(b, 0x8769), put16(b, 4), put32(b, 1), put32(b, exifIfd);
    put32(b, 0);
    if (original) {
        put16(b, 1);
        put16(b, 0x9003), put16(b, 2), put32(b, 20), put32(b, originalAt);
        put32(b, 0);
    }
    for (const auto& s : {dateTime, original})
        if (s) {
            b.insert(b.end(), s->begin(), s->end());
            b.resize(b.size() + 20 - s->size());  // padded with zeros to the 20 counted
        }
    b.insert(b.begin(), {'E', 'x', 'i', 'f', 0, 0});
    return b;
}

// The JPEG file with the block as an APP1 segment right after its start marker.
inline std::string withExif(const std::string& jpeg, const std::vector<std::uint8_t>& block) {
    const std::size_t length = block.size() + 2;
    std::string out = jpeg.substr(0, 2);
    out += {char(0xFF), char(0xE1), char(length >> 8), char(length & 0xFF)};
    out.append(block.begin(), block.end());
    return out + jpeg.substr(2);
}

}  // namespace quillo::test
