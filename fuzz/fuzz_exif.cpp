// Feeds arbitrary bytes to the Exif orientation reader as the data of an APP1 segment. Whatever
// the bytes, it reads only inside them and answers a value from 1 to 8.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Exif.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const int orientation = quillo::exifOrientation(std::span<const std::uint8_t>(data, size));
    if (orientation < 1 || orientation > 8) __builtin_trap();
    return 0;
}
