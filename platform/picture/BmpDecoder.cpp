#include "BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>

#include "Errors.h"

// What this decoder accepts, and where it draws the line (a file outside these rules is
// InvalidGraphic, never a partial picture):
//
// - Headers: core (12 bytes, 3-byte palette entries) and the info family of 40, 52, 56, 108 and
//   124 bytes. Other sizes are refused: the 16..64-byte variants give the compression values
//   other meanings, and an unknown size gives no safe place for the bit masks.
// - Width > 0; height != 0, negative meaning rows stored top to bottom (info headers only, and
//   never with run-length data). At most the caller's pixel budget.
// - Planes 1; 1, 4, 8 and 24 bits per pixel, plus 16 and 32 for info headers.
// - Compression: none; RLE8 at 8 bits; RLE4 at 4 bits; bit fields at 16 and 32 bits.
// - Palette (1 to 8 bits): biClrUsed entries, 0 meaning 2^bpp, never more than 2^bpp; a core
//   header always has 2^bpp. It must lie wholly before the pixel data. A shorter palette is
//   fine and an index past its end reads as black. The optional colour table of deeper
//   pictures is not used and not checked.
// - Bit masks: from the header (52 bytes and up) or the 12 bytes after a 40-byte header. Each
//   of red, green and blue must be non-zero, one run of contiguous bits, and inside the pixel's
//   bit count; alpha is ignored. A channel of n bits is scaled to 8 by rounding v * 255 /
//   (2^n - 1) to the nearest integer, so 5 bits give (v * 255 + 15) / 31. Defaults: 5-5-5 at 16
//   bits, 8-8-8 at 32.
// - Uncompressed rows are padded to 4 bytes, and every row must be in the file, padding
//   included. bfSize and biSizeImage are ignored (writers often get them wrong).
// - Run-length data run from the pixel offset to the end of the file. A run may reach into the
//   row's padding (common writers encode the padded row), whose pixels are dropped; a run or
//   delta beyond the padded row, anything below the last row, or data ending before the
//   end-of-bitmap marker (other than right after the last row's end-of-line) is invalid.
//   Pixels the data never set are black.

namespace quillo {

namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
constexpr std::size_t kFileHeaderSize = 14;

using Bytes = std::span<const std::uint8_t>;
using Palette = std::array<Pixel, 256>;  // missing entries are black

[[noreturn]] void invalid() {
    throw InvalidGraphic("Bitmap image is not valid");
}

std::uint16_t u16(Bytes b, std::size_t at) {
    return std::uint16_t(b[at] | b[at + 1] << 8);
}
std::uint32_t u32(Bytes b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

struct BmpHeader {
    // As stored.
    std::uint32_t pixelOffset = 0;
    std::uint32_t headerSize = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint16_t planes = 0;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t colorsUsed = 0;
    std::array<std::uint32_t, 3> masks{};  // red, green, blue
    // Derived while checking.
    bool topDown = false;
    int columns = 0;
    int rows = 0;
    std::uint64_t stride = 0;  // bytes per stored row, padding included
    std::size_t paletteAt = 0;
    std::size_t paletteEntries = 0;
    std::size_t paletteEntrySize = 4;
};

bool validMask(std::uint32_t mask, int bitCount) {
    if (mask == 0) return false;
    if (bitCount < 32 && (mask >> bitCount) != 0) return false;
    const std::uint64_t run = std::uint64_t(mask) >> std::countr_zero(mask);
    return (run & (run + 1)) == 0;
}

// Reads and checks every field of the headers and tables at the head of the file; nullopt for
// anything this decoder refuses. Whether the pixel data are all there is checkData's part.
std::optional<BmpHeader> readHeader(Bytes head, std::uint64_t pixelBudget) {
    BmpHeader h;
    if (head.size() < kFileHeaderSize + 4 || head[0] != 'B' || head[1] != 'M') return std::nullopt;
    h.pixelOffset = u32(head, 10);
    h.headerSize = u32(head, kFileHeaderSize);
    switch (h.headerSize) {
        case 12:
        case 40:
        case 52:
        case 56:
        case 108:
        case 124:
            break;
        default:
            return std::nullopt;
    }
    const std::size_t d = kFileHeaderSize;
    if (head.size() < d + h.headerSize) return std::nullopt;
    const bool core = h.headerSize == 12;
    if (core) {
        h.width = u16(head, d + 4);
        h.height = u16(head, d + 6);
        h.planes = u16(head, d + 8);
        h.bitCount = u16(head, d + 10);
    } else {
        h.width = std::int32_t(u32(head, d + 4));
        h.height = std::int32_t(u32(head, d + 8));
        h.planes = u16(head, d + 12);
        h.bitCount = u16(head, d + 14);
        h.compression = u32(head, d + 16);
        h.colorsUsed = u32(head, d + 32);
    }

    if (h.width <= 0 || h.height == 0 || h.height == std::numeric_limits<std::int32_t>::min())
        return std::nullopt;
    h.topDown = h.height < 0;
    const std::int64_t rows = h.topDown ? -h.height : h.height;
    const std::uint64_t pixels = std::uint64_t(h.width) * std::uint64_t(rows);
    if (pixels > pixelBudget) return std::nullopt;
    h.columns = int(h.width);
    h.rows = int(rows);
    if (h.planes != 1) return std::nullopt;

    const int bpp = h.bitCount;
    const bool deep = bpp == 16 || bpp == 32;
    if (!(bpp == 1 || bpp == 4 || bpp == 8 || bpp == 24 || (deep && !core))) return std::nullopt;
    switch (h.compression) {
        case kRgb:
            break;
        case kRle8:
            if (bpp != 8 || h.topDown) return std::nullopt;
            break;
        case kRle4:
            if (bpp != 4 || h.topDown) return std::nullopt;
            break;
        case kBitFields:
            if (!deep) return std::nullopt;
            break;
        default:
            return std::nullopt;
    }
    h.stride = (std::uint64_t(h.width) * std::uint64_t(bpp) + 31) / 32 * 4;

    // Masks sit right after the 40-byte part of the header, inside it from 52 bytes up.
    std::size_t tablesAt = d + h.headerSize;
    if (bpp == 16) h.masks = {0x7C00, 0x03E0, 0x001F};
    if (bpp == 32) h.masks = {0xFF0000, 0x00FF00, 0x0000FF};
    if (h.compression == kBitFields) {
        if (h.headerSize == 40) tablesAt += 12;
        if (head.size() < tablesAt) return std::nullopt;
        for (std::size_t i = 0; i < 3; ++i) {
            h.masks[i] = u32(head, d + 40 + 4 * i);
            if (!validMask(h.masks[i], bpp)) return std::nullopt;
        }
    }

    h.paletteAt = tablesAt;
    if (bpp <= 8) {
        const std::uint32_t full = 1u << bpp;
        const std::uint32_t entries = core || h.colorsUsed == 0 ? full : h.colorsUsed;
        if (entries > full) return std::nullopt;
        h.paletteEntries = entries;
        h.paletteEntrySize = core ? 3 : 4;
    }
    const std::uint64_t tablesEnd = h.paletteAt + h.paletteEntries * h.paletteEntrySize;
    if (h.pixelOffset < tablesEnd) return std::nullopt;
    return h;
}

bool isRle(const BmpHeader& h) {
    return h.compression == kRle8 || h.compression == kRle4;
}

// The bytes from the file's start to the end of its pixel data: the rows for an uncompressed
// picture, and for run-length data what the least compact encoding (runs of one pixel, an
// end-of-line on every row) takes.
std::uint64_t dataEnd(const BmpHeader& h) {
    const std::uint64_t rows = std::uint64_t(h.rows);
    if (!isRle(h)) return std::uint64_t(h.pixelOffset) + h.stride * rows;
    const std::uint64_t rowPixels = h.stride * (h.compression == kRle4 ? 2 : 1);
    return std::uint64_t(h.pixelOffset) + rows * (2 * rowPixels + 2) + 2;
}

// The tables (which end before the pixel offset) and, uncompressed, every pixel row lie inside
// the file.
bool checkData(const BmpHeader& h, Bytes file) {
    if (h.pixelOffset > file.size()) return false;
    return isRle(h) || dataEnd(h) <= file.size();
}

Palette readPalette(const BmpHeader& h, Bytes file) {
    Palette palette;
    palette.fill(pixelOf(clBlack));
    for (std::size_t i = 0; i < h.paletteEntries; ++i) {
        const std::uint8_t* e = file.data() + h.paletteAt + i * h.paletteEntrySize;
        palette[i] = pixelOf(e[2], e[1], e[0]);
    }
    return palette;
}

using Stop = DecodeOptions::Stop;

// Asked once per row.
void checkStop(const Stop& stop) {
    if (stop.requested()) throw DecodeStopped();
}

// The output row of stored row i.
int outputRow(const BmpHeader& h, int i) {
    return h.topDown ? i : h.rows - 1 - i;
}

template <int Bpp>
void decodeIndexed(const BmpHeader& h, Bytes file, const Palette& palette, Bitmap& out,
                   const Stop& stop) {
    for (int i = 0; i < h.rows; ++i) {
        checkStop(stop);
        const std::uint8_t* src = file.data() + h.pixelOffset + std::size_t(h.stride) * i;
        Pixel* dst = out.row(outputRow(h, i));
        for (int x = 0; x < h.columns; ++x) {
            unsigned index;
            if constexpr (Bpp == 8) index = src[x];
            if constexpr (Bpp == 4) index = src[x >> 1] >> (x & 1 ? 0 : 4) & 0x0F;
            if constexpr (Bpp == 1) index = src[x >> 3] >> (7 - (x & 7)) & 1;
            dst[x] = palette[index];
        }
    }
}

void decodeRgb24(const BmpHeader& h, Bytes file, Bitmap& out, const Stop& stop) {
    for (int i = 0; i < h.rows; ++i) {
        checkStop(stop);
        const std::uint8_t* src = file.data() + h.pixelOffset + std::size_t(h.stride) * i;
        Pixel* dst = out.row(outputRow(h, i));
        for (int x = 0; x < h.columns; ++x, src += 3) dst[x] = pixelOf(src[2], src[1], src[0]);
    }
}

// One bit-field channel, scaled to 8 bits with rounding.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : mask_(mask),
          shift_(std::countr_zero(mask)),
          max_(std::uint32_t((std::uint64_t(1) << std::popcount(mask)) - 1)) {
        if (max_ <= 255)
            for (std::uint32_t v = 0; v <= max_; ++v) table_[v] = scale(v);
    }
    std::uint8_t operator()(std::uint32_t pixel) const {
        const std::uint32_t v = (pixel & mask_) >> shift_;
        return max_ <= 255 ? table_[v] : scale(v);
    }

private:
    std::uint8_t scale(std::uint32_t v) const {
        return std::uint8_t((std::uint64_t(v) * 255 + max_ / 2) / max_);
    }
    std::uint32_t mask_;
    int shift_;
    std::uint32_t max_;
    std::array<std::uint8_t, 256> table_{};
};

void decodeBitFields(const BmpHeader& h, Bytes file, Bitmap& out, const Stop& stop) {
    const Channel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    const bool plain32 =
        h.bitCount == 32 && h.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF};
    for (int i = 0; i < h.rows; ++i) {
        checkStop(stop);
        const Bytes src = file.subspan(h.pixelOffset + std::size_t(h.stride) * i);
        Pixel* dst = out.row(outputRow(h, i));
        if (plain32) {
            // The stored word is ours but for its unused top byte.
            for (int x = 0; x < h.columns; ++x) dst[x] = kPixelPad | u32(src, 4 * std::size_t(x));
            continue;
        }
        for (int x = 0; x < h.columns; ++x) {
            const std::uint32_t pixel =
                h.bitCount == 16 ? u16(src, 2 * std::size_t(x)) : u32(src, 4 * std::size_t(x));
            dst[x] = pixelOf(red(pixel), green(pixel), blue(pixel));
        }
    }
}

// RLE8 and RLE4. Stored rows run bottom to top; the position (x, y) counts from the bottom-left.
void decodeRle(const BmpHeader& h, Bytes file, const Palette& palette, Bitmap& out,
               const Stop& stop) {
    const Bytes data = file.subspan(h.pixelOffset);
    const bool four = h.bitCount == 4;
    // A row may be written up to its padded length; pixels past the width are dropped.
    const std::uint64_t rowEnd = h.stride * (four ? 2 : 1);
    std::size_t pos = 0;
    std::uint64_t x = 0;
    int y = 0;
    const auto need = [&](std::size_t n) {
        if (data.size() - pos < n) invalid();
    };
    const auto put = [&](unsigned index) {
        if (x < std::uint64_t(h.columns)) out.row(h.rows - 1 - y)[x] = palette[index];
        ++x;
    };
    const auto room = [&](std::uint64_t n) {
        if (y >= h.rows || x + n > rowEnd) invalid();
    };
    // Data may move on without ending a row (deltas that go nowhere): the stop is asked every
    // few thousand codes too.
    unsigned codes = 0;
    for (;;) {
        if ((++codes & 0xFFF) == 0) checkStop(stop);
        if (pos == data.size() && y == h.rows) return;  // ended by the last row's end-of-line
        need(2);
        const unsigned count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            room(count);
            for (unsigned k = 0; k < count; ++k)
                put(four ? (k & 1 ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            if (y >= h.rows) invalid();
            checkStop(stop);
            ++y;
            x = 0;
        } else if (value == 1) {  // end of bitmap
            return;
        } else if (value == 2) {  // delta
            need(2);
            const unsigned dx = data[pos], dy = data[pos + 1];
            pos += 2;
            room(dx);
            if (dy >= unsigned(h.rows - y)) invalid();
            x += dx;
            y += int(dy);
        } else {  // absolute run, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            need((bytes + 1) & ~std::size_t(1));
            room(value);
            for (unsigned k = 0; k < value; ++k) {
                const std::uint8_t b = data[pos + (four ? k / 2 : k)];
                put(four ? (k & 1 ? b & 0x0F : b >> 4) : b);
            }
            pos += (bytes + 1) & ~std::size_t(1);
        }
    }
}

}  // namespace

std::uint64_t bmpBytesNeeded(std::span<const std::uint8_t> head, std::uint64_t pixelBudget) {
    const std::optional<BmpHeader> h = readHeader(head, pixelBudget);
    return h ? std::max<std::uint64_t>(head.size(), dataEnd(*h)) : head.size();
}

Bitmap decodeBmp(std::span<const std::uint8_t> file, std::uint64_t pixelBudget, Stop stop) {
    const std::optional<BmpHeader> header = readHeader(file, pixelBudget);
    if (!header || !checkData(*header, file)) invalid();
    const BmpHeader& h = *header;
    const Palette palette = readPalette(h, file);
    // RLE may leave pixels unset (black); every other form writes each pixel.
    const bool rle = isRle(h);
    Bitmap out = rle ? Bitmap(h.columns, h.rows) : Bitmap::uninitialized(h.columns, h.rows);
    switch (h.compression) {
        case kRle8:
        case kRle4:
            decodeRle(h, file, palette, out, stop);
            break;
        case kBitFields:
            decodeBitFields(h, file, out, stop);
            break;
        default:
            switch (h.bitCount) {
                case 1:
                    decodeIndexed<1>(h, file, palette, out, stop);
                    break;
                case 4:
                    decodeIndexed<4>(h, file, palette, out, stop);
                    break;
                case 8:
                    decodeIndexed<8>(h, file, palette, out, stop);
                    break;
                case 24:
                    decodeRgb24(h, file, out, stop);
                    break;
                default:
                    decodeBitFields(h, file, out, stop);
                    break;  // 16 and 32 with default masks
            }
    }
    return out;
}

}  // namespace quillo
