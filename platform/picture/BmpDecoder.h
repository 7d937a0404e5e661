#pragma once
// Our own Windows bitmap decoder. The header is read into a struct and every field is checked
// before anything is allocated; any fault is InvalidGraphic.
#include <cstdint>
#include <span>

#include "Bitmap.h"
#include "DecodeOptions.h"

namespace quillo {

class PictureFile;

// Decodes a whole .bmp file (file header included) into a bitmap. A picture of more than
// options.pixelBudget pixels is refused like any other invalid bitmap, before anything is
// allocated. With options.clip set the bitmap is only the top-left part of that size of the
// picture; the file is checked as a whole either way. Throws DecodeStopped when options.stop is
// raised: it is asked once per row.
Bitmap decodeBmp(std::span<const std::uint8_t> file, const DecodeOptions& options);
Bitmap decodeBmp(std::span<const std::uint8_t> file,
                 std::uint64_t pixelBudget = kDefaultPixelBudget, DecodeOptions::Stop stop = {});
// The same from a file, never held whole: its headers are read, then only the pixel rows (or the
// run-length data, through a small window) the bitmap takes, up to bmpBytesNeeded.
Bitmap decodeBmp(const PictureFile& file, const DecodeOptions& options);

// The first bytes of a .bmp file that hold every header and table the decoder reads.
constexpr std::size_t kBmpHeadBytes = 2048;
// How many bytes of the file the decoder can use at most, judged from its first bytes (at least
// kBmpHeadBytes of them, or the whole file): the pixel rows for an uncompressed picture, and for
// run-length data what the least compact encoding (runs of one pixel, an end-of-line on every
// row) takes. A head that is not a bitmap the decoder takes (within pixelBudget) needs nothing
// beyond itself.
std::uint64_t bmpBytesNeeded(std::span<const std::uint8_t> head, std::uint64_t pixelBudget);

}  // namespace quillo
