#pragma once
// What a camera records in a JPEG's Exif block that the show uses: the orientation (how the
// stored pixels are to be turned or mirrored to stand upright) and the day the photo was taken.
#include <cstdint>
#include <optional>
#include <span>

namespace quillo {

// A moment as the camera's clock showed it: no time zone is known, and none is applied.
struct ExifDateTime {
    int year = 0;
    int month = 0;  // 1 to 12
    int day = 0;    // 1 to the month's last day
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const ExifDateTime&, const ExifDateTime&) = default;
};

struct ExifFacts {
    int orientation = 1;  // 1 to 8; 1 (as stored) when missing or damaged
    // DateTimeOriginal (0x9003) in the Exif directory, else DateTime (0x0132) in the first one;
    // a value that is all zeros, garbage, out of range or cut short counts as missing.
    std::optional<ExifDateTime> taken;
};

// Reads both from the data of an APP1 segment (starting with "Exif\0\0") in one pass over its
// first directory, following the Exif directory's pointer (0x8769). Every offset and count is
// checked before it is followed; a block that is no Exif block gives the defaults.
ExifFacts readExif(std::span<const std::uint8_t> app1) noexcept;

// readExif(app1).orientation.
int exifOrientation(std::span<const std::uint8_t> app1) noexcept;

// "YYYY:MM:DD HH:MM:SS" as an Exif date; nothing for anything else, for a date that names no
// day of the calendar, and for all zeros.
std::optional<ExifDateTime> parseExifDateTime(std::span<const std::uint8_t> text) noexcept;

}  // namespace quillo
