// The date a photo was taken, read from its Exif block in the pass that reads its orientation.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Exif.h"

using namespace quillo;

namespace {

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

// A little-endian block: the first directory at 8 with the orientation 6, DateTime when given
// and the Exif pointer when `original` is given; the Exif directory after it with
// DateTimeOriginal; the strings after both. Offsets count from the TIFF header.
std::vector<std::uint8_t> dateBlock(std::optional<std::string> dateTime,
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

TEST(ExifDate, TheOriginalDateElseTheFileDateElseNone) {
    using D = ExifDateTime;
    struct Case {
        const char* name;
        std::vector<std::uint8_t> block;
        std::optional<ExifDateTime> expected;
    };
    const auto cut = [](std::vector<std::uint8_t> b, std::size_t drop) {
        b.resize(b.size() - drop);
        return b;
    };
    const auto patched = [](std::vector<std::uint8_t> b, std::size_t at, std::uint8_t v) {
        b[at] = v;
        return b;
    };
    const std::string noon = "2025:07:14 12:00:00", eve = "2024:12:31 23:59:59";
    // In a block with both: the Exif pointer's value at 6 + 8 + 2 + 24 + 8 = 48.
    const Case cases[] = {
        {"DateTimeOriginal before DateTime", dateBlock(eve, noon), D{2025, 7, 14, 12, 0, 0}},
        {"DateTime alone", dateBlock(eve, std::nullopt), D{2024, 12, 31, 23, 59, 59}},
        {"DateTimeOriginal alone", dateBlock(std::nullopt, noon), D{2025, 7, 14, 12, 0, 0}},
        {"zeros count as missing", dateBlock(eve, "0000:00:00 00:00:00"),
         D{2024, 12, 31, 23, 59, 59}},
        {"zeros alone", dateBlock(std::nullopt, "0000:00:00 00:00:00"), std::nullopt},
        {"garbage", dateBlock(std::nullopt, "last summer, noon!!"), std::nullopt},
        {"blanks", dateBlock("    :  :     :  :  ", std::nullopt), std::nullopt},
        {"the 30th of February", dateBlock(std::nullopt, "2025:02:30 10:00:00"), std::nullopt},
        {"the 29th of February of a leap year", dateBlock(std::nullopt, "2024:02:29 10:00:00"),
         D{2024, 2, 29, 10, 0, 0}},
        {"hour 24", dateBlock(std::nullopt, "2025:07:14 24:00:00"), std::nullopt},
        {"month 13", dateBlock(eve, "2025:13:01 10:00:00"), D{2024, 12, 31, 23, 59, 59}},
        {"cut inside the original date", cut(dateBlock(std::nullopt, noon), 8), std::nullopt},
        {"cut inside the date: the other stays", cut(dateBlock(eve, noon), 8),
         D{2024, 12, 31, 23, 59, 59}},
        {"Exif pointer past the end", patched(dateBlock(eve, noon), 49, 0xF0),
         D{2024, 12, 31, 23, 59, 59}},
        {"Exif pointer to the first directory", patched(dateBlock(eve, noon), 48, 8),
         D{2024, 12, 31, 23, 59, 59}},
        {"no date", dateBlock(std::nullopt, std::nullopt), std::nullopt},
    };
    for (const Case& c : cases) {
        const ExifFacts facts = readExif(c.block);
        EXPECT_EQ(facts.taken, c.expected) << c.name;
        EXPECT_EQ(facts.orientation, 6) << c.name << ": the same pass reads the orientation";
    }
}

}  // namespace
