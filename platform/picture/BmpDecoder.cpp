#include "BmpDecoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "Errors.h"
#include "PictureFile.h"

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
// the file's `size` bytes, also the rows a clipped decode leaves out.
bool checkData(const BmpHeader& h, std::uint64_t size) {
    if (h.pixelOffset > size) return false;
    return isRle(h) || dataEnd(h) <= size;
}

// Where the bytes come from: a file in memory, or a picture file read a part at a time.
class Source {
public:
    virtual ~Source() = default;
    // The bytes the decoder may use: nothing at or past this offset is read.
    virtual std::uint64_t size() const = 0;
    // Up to n bytes from offset (fewer only at the end of size(), or when a file got shorter),
    // valid until the next call.
    virtual Bytes view(std::uint64_t offset, std::size_t n) = 0;
};

class MemorySource final : public Source {
public:
    explicit MemorySource(Bytes file) : file_(file) {}
    std::uint64_t size() const override { return file_.size(); }
    Bytes view(std::uint64_t offset, std::size_t n) override {
        if (offset >= file_.size()) return {};
        return file_.subspan(std::size_t(offset),
                             std::size_t(std::min<std::uint64_t>(n, file_.size() - offset)));
    }

private:
    Bytes file_;
};

// Reads into one buffer of about the size asked for: never the whole file.
class FileSource final : public Source {
public:
    FileSource(const PictureFile& file, std::uint64_t size) : fd_(file.descriptor()), size_(size) {}
    std::uint64_t size() const override { return size_; }
    Bytes view(std::uint64_t offset, std::size_t n) override {
        if (offset >= size_) return {};
        n = std::size_t(std::min<std::uint64_t>(n, size_ - offset));
        if (buffer_.size() < n) buffer_.resize(n);
        const long got = readFileAt(fd_, offset, buffer_.data(), n);
        if (got < 0) invalid();
        return {buffer_.data(), std::size_t(got)};
    }

private:
    int fd_;
    std::uint64_t size_;
    std::vector<std::uint8_t> buffer_;
};

// Uncompressed rows are read this many bytes at a time (whole rows, at least one).
constexpr std::size_t kRowChunkBytes = std::size_t(256) << 10;
// Run-length data are read through a window of this size.
constexpr std::size_t kRunWindowBytes = std::size_t(64) << 10;

// The tables end before the pixel offset, inside the head.
Palette readPalette(const BmpHeader& h, Bytes head) {
    Palette palette;
    palette.fill(pixelOf(clBlack));
    if (h.paletteAt + h.paletteEntries * h.paletteEntrySize > head.size()) invalid();
    for (std::size_t i = 0; i < h.paletteEntries; ++i) {
        const std::uint8_t* e = head.data() + h.paletteAt + i * h.paletteEntrySize;
        palette[i] = pixelOf(e[2], e[1], e[0]);
    }
    return palette;
}

using Stop = DecodeOptions::Stop;

// Asked once per row.
void checkStop(const Stop& stop) {
    if (stop.requested()) throw DecodeStopped();
}

template <int Bpp>
void indexedRow(const std::uint8_t* src, Pixel* dst, int columns, const Palette& palette) {
    for (int x = 0; x < columns; ++x) {
        unsigned index;
        if constexpr (Bpp == 8) index = src[x];
        if constexpr (Bpp == 4) index = src[x >> 1] >> (x & 1 ? 0 : 4) & 0x0F;
        if constexpr (Bpp == 1) index = src[x >> 3] >> (7 - (x & 7)) & 1;
        dst[x] = palette[index];
    }
}

void rgb24Row(const std::uint8_t* src, Pixel* dst, int columns) {
    int x = 0;
    if constexpr (kLittleEndian) {
        // Four bytes at a time are blue, green, red and the next pixel's blue: a load and a
        // mask. The row's last pixel is read by bytes, so nothing past it is touched.
        for (; x + 1 < columns; ++x, src += 3) {
            std::uint32_t word;
            std::memcpy(&word, src, 4);
            dst[x] = kPixelPad | (word & 0xFFFFFF);
        }
    }
    for (; x < columns; ++x, src += 3) dst[x] = pixelOf(src[2], src[1], src[0]);
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

// 16 and 32 bits a pixel, with the header's masks or the default ones.
class BitFieldsRow {
public:
    explicit BitFieldsRow(const BmpHeader& h)
        : red_(h.masks[0]),
          green_(h.masks[1]),
          blue_(h.masks[2]),
          sixteen_(h.bitCount == 16),
          plain32_(h.bitCount == 32 &&
                   h.masks == std::array<std::uint32_t, 3>{0xFF0000, 0xFF00, 0xFF}) {}
    void operator()(Bytes src, Pixel* dst, int columns) const {
        if (plain32_) {
            // The stored word is ours but for its unused top byte.
            for (int x = 0; x < columns; ++x) dst[x] = kPixelPad | u32(src, 4 * std::size_t(x));
            return;
        }
        for (int x = 0; x < columns; ++x) {
            const std::uint32_t pixel =
                sixteen_ ? u16(src, 2 * std::size_t(x)) : u32(src, 4 * std::size_t(x));
            dst[x] = pixelOf(red_(pixel), green_(pixel), blue_(pixel));
        }
    }

private:
    Channel red_, green_, blue_;
    bool sixteen_;
    bool plain32_;
};

// Uncompressed rows: only the stored rows that give the output's rows are read, in file order,
// a few at a time, each only as far as the output's width reaches.
void decodeRows(const BmpHeader& h, Source& source, const Palette& palette, Bitmap& out,
                const Stop& stop) {
    const int columns = out.width();
    const std::size_t used = std::size_t((std::uint64_t(columns) * h.bitCount + 7) / 8);
    // Bottom-up, the output's top rows are the file's last.
    const int first = h.topDown ? 0 : h.rows - out.height();
    const int end = first + out.height();
    const std::size_t perChunk = std::max<std::size_t>(1, kRowChunkBytes / h.stride);
    const bool bitFields = h.bitCount == 16 || h.bitCount == 32;
    std::optional<BitFieldsRow> fieldsRow;
    if (bitFields) fieldsRow.emplace(h);
    for (int i = first; i < end;) {
        const int count = int(std::min<std::size_t>(perChunk, std::size_t(end - i)));
        const std::size_t bytes = std::size_t(h.stride) * std::size_t(count - 1) + used;
        const Bytes chunk = source.view(h.pixelOffset + h.stride * std::uint64_t(i), bytes);
        if (chunk.size() < bytes) invalid();  // the file got shorter while read
        for (int k = 0; k < count; ++k, ++i) {
            checkStop(stop);
            const Bytes src = chunk.subspan(std::size_t(h.stride) * std::size_t(k), used);
            Pixel* dst = out.row(h.topDown ? i : h.rows - 1 - i);
            if (bitFields) {
                (*fieldsRow)(src, dst, columns);
                continue;
            }
            switch (h.bitCount) {
                case 1:
                    indexedRow<1>(src.data(), dst, columns, palette);
                    break;
                case 4:
                    indexedRow<4>(src.data(), dst, columns, palette);
                    break;
                case 8:
                    indexedRow<8>(src.data(), dst, columns, palette);
                    break;
                default:
                    rgb24Row(src.data(), dst, columns);
                    break;
            }
        }
    }
}

// Run-length data, read on through a window from the pixel offset to the end of the source.
class RunStream {
public:
    RunStream(Source& source, std::uint64_t from) : source_(source), pos_(from) {}
    bool atEnd() const { return pos_ == source_.size(); }
    // The next n bytes; invalid when the data end before them.
    const std::uint8_t* need(std::size_t n) {
        if (source_.size() - pos_ < n) invalid();
        if (pos_ + n > windowAt_ + window_.size()) {
            window_ = source_.view(pos_, std::max(n, kRunWindowBytes));
            windowAt_ = pos_;
            if (window_.size() < n) invalid();  // the file got shorter while read
        }
        return window_.data() + (pos_ - windowAt_);
    }
    void skip(std::size_t n) { pos_ += n; }

private:
    Source& source_;
    std::uint64_t pos_;
    Bytes window_;
    std::uint64_t windowAt_ = 0;
};

// RLE8 and RLE4. Stored rows run bottom to top; the position (x, y) counts from the bottom-left.
// All the data are read and checked, also where they fall outside the output's part.
void decodeRle(const BmpHeader& h, Source& source, const Palette& palette, Bitmap& out,
               const Stop& stop) {
    RunStream data(source, h.pixelOffset);
    const bool four = h.bitCount == 4;
    // A row may be written up to its padded length; pixels past the width are dropped.
    const std::uint64_t rowEnd = h.stride * (four ? 2 : 1);
    // The output holds the picture's top rows and left columns.
    const std::uint64_t columns = std::uint64_t(out.width());
    const int lowestKept = h.rows - out.height();
    std::uint64_t x = 0;
    int y = 0;
    const auto put = [&](unsigned index) {
        if (x < columns && y >= lowestKept) out.row(h.rows - 1 - y)[x] = palette[index];
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
        if (data.atEnd() && y == h.rows) return;  // ended by the last row's end-of-line
        const std::uint8_t* code = data.need(2);
        const unsigned count = code[0], value = code[1];
        data.skip(2);
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
            const std::uint8_t* delta = data.need(2);
            const unsigned dx = delta[0], dy = delta[1];
            data.skip(2);
            room(dx);
            if (dy >= unsigned(h.rows - y)) invalid();
            x += dx;
            y += int(dy);
        } else {  // absolute run, padded to a 16-bit boundary
            const std::size_t bytes = four ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t(1);
            const std::uint8_t* run = data.need(padded);
            room(value);
            for (unsigned k = 0; k < value; ++k) {
                const std::uint8_t b = run[four ? k / 2 : k];
                put(four ? (k & 1 ? b & 0x0F : b >> 4) : b);
            }
            data.skip(padded);
        }
    }
}

// `head` is the file's first bytes: kBmpHeadBytes of them, or all there are.
Bitmap decode(Bytes head, Source& source, const DecodeOptions& options) {
    const std::optional<BmpHeader> header = readHeader(head, options.pixelBudget);
    if (!header || !checkData(*header, source.size())) invalid();
    const BmpHeader& h = *header;
    const Palette palette = readPalette(h, head);
    const bool clip = options.clip.width > 0 && options.clip.height > 0;
    const int width = clip ? std::min(h.columns, options.clip.width) : h.columns;
    const int height = clip ? std::min(h.rows, options.clip.height) : h.rows;
    // RLE may leave pixels unset (black); every other form writes each pixel.
    if (isRle(h)) {
        Bitmap out(width, height);
        decodeRle(h, source, palette, out, options.stop);
        return out;
    }
    Bitmap out = Bitmap::uninitialized(width, height);
    decodeRows(h, source, palette, out, options.stop);
    return out;
}

}  // namespace

std::uint64_t bmpBytesNeeded(std::span<const std::uint8_t> head, std::uint64_t pixelBudget) {
    const std::optional<BmpHeader> h = readHeader(head, pixelBudget);
    return h ? std::max<std::uint64_t>(head.size(), dataEnd(*h)) : head.size();
}

Bitmap decodeBmp(std::span<const std::uint8_t> file, const DecodeOptions& options) {
    MemorySource source(file);
    return decode(file, source, options);
}

Bitmap decodeBmp(std::span<const std::uint8_t> file, std::uint64_t pixelBudget, Stop stop) {
    DecodeOptions options;
    options.pixelBudget = pixelBudget;
    options.stop = stop;
    return decodeBmp(file, options);
}

Bitmap decodeBmp(const PictureFile& file, const DecodeOptions& options) {
    std::vector<std::uint8_t> head(
        std::size_t(std::min<std::uint64_t>(kBmpHeadBytes, file.size())));
    const long got = readFileAt(file.descriptor(), 0, head.data(), head.size());
    if (got < 0) invalid();
    head.resize(std::size_t(got));
    // Only as much of the file as its header says the pixels can take is ever read.
    FileSource source(file, std::min(bmpBytesNeeded(head, options.pixelBudget), file.size()));
    return decode(head, source, options);
}

}  // namespace quillo
