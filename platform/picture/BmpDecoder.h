#pragma once
// Our own Windows bitmap decoder. The header is read into a struct and every field is checked
// before anything is allocated; any fault is InvalidGraphic.
#include <cstdint>
#include <span>

#include "Bitmap.h"
#include "DecodeOptions.h"

namespace quillo {

// Decodes a whole .bmp file (file header included) into a bitmap. A picture of more than
// pixelBudget pixels is refused like any other invalid bitmap, before anything is allocated.
// Throws DecodeStopped when `stop` is raised: it is asked once per row.
Bitmap decodeBmp(std::span<const std::uint8_t> file,
                 std::uint64_t pixelBudget = kDefaultPixelBudget, DecodeOptions::Stop stop = {});

// The first bytes of a .bmp file that hold every header and table the decoder reads.
constexpr std::size_t kBmpHeadBytes = 2048;
// How many bytes of the file the decoder can use at most, judged from its first bytes (at least
// kBmpHeadBytes of them, or the whole file): the pixel rows for an uncompressed picture, and for
// run-length data what the least compact encoding (runs of one pixel, an end-of-line on every
// row) takes. A head that is not a bitmap the decoder takes (within pixelBudget) needs nothing
// beyond itself.
std::uint64_t bmpBytesNeeded(std::span<const std::uint8_t> head, std::uint64_t pixelBudget);

}  // namespace quillo
