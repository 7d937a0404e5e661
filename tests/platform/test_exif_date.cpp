// The date a photo was taken, read from its Exif block in the pass that reads its orientation.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "Exif.h"
#include "ExifBlocks.h"

using namespace quillo;
using quillo::test::dateBlock;

namespace {

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
