// Feeds arbitrary bytes to the Exif reader as the data of an APP1 segment. Whatever the bytes, it
// reads only inside them, answers an orientation from 1 to 8, and a date only when it names a day
// of the calendar; the date parser alone must agree on the same bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Exif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const quillo::ExifFacts facts = quillo::readExif(bytes);
    if (facts.orientation < 1 || facts.orientation > 8) __builtin_trap();
    if (const auto& d = facts.taken) {
        if (d->year < 1 || d->year > 9999 || d->month < 1 || d->month > 12 || d->day < 1 ||
            d->day > 31 || d->hour > 23 || d->minute > 59 || d->second > 60)
            __builtin_trap();
    }
    if (const auto d = quillo::parseExifDateTime(bytes)) {
        if (d->month < 1 || d->month > 12 || d->day < 1 || d->day > 31) __builtin_trap();
    }
    return 0;
}
