#pragma once
// The orientation a camera records in a JPEG's Exif block: how the stored pixels are to be turned
// or mirrored to stand upright.
#include <cstdint>
#include <span>

namespace quillo {

// The Exif orientation tag's value, 1 to 8, from the data of an APP1 segment (starting with
// "Exif\0\0"). 1 (as stored) when the segment is no Exif block, has no orientation tag, or is
// damaged: every offset and count is checked before it is followed.
int exifOrientation(std::span<const std::uint8_t> app1) noexcept;

}  // namespace quillo
