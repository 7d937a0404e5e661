#pragma once
// Our 24-bit rows in the 32-bit form X servers keep on true-colour screens: one 32-bit word a
// pixel, 0xFFRRGGBB in native byte order (blue first in memory on little-endian machines).
#include <cstddef>
#include <cstdint>

#include "Bitmap.h"

namespace quillo {

// How rows are converted: with the processor's byte shuffle where it has one, or pixel by pixel
// as on a processor without it (so that way can be checked on any machine).
enum class PixelPath { Fastest, Plain };

// Converts the area of src (clipped to src) to 32-bit pixels at dst, whose rows are dstStride
// bytes apart; dst points at the word for the area's top-left pixel.
void toXrgb32(const Bitmap& src, const Rect& area, std::uint8_t* dst, std::size_t dstStride,
              PixelPath path = PixelPath::Fastest);

}  // namespace quillo
