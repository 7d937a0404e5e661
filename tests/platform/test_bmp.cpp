#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "BmpDecoder.h"
#include "Errors.h"
#include "PictureFile.h"
#include "PpmWriter.h"
#include "TestSupport.h"

using namespace quillo;
using Bytes = std::vector<std::uint8_t>;

namespace {

// Channel values that survive ImageMagick's 5- and 6-bit bit fields (it truncates) exactly.
constexpr int kLevels[4] = {0, 239, 247, 255};

// A 37 x 23 (or other size) picture of `colors` (16 or 64) colours in short runs.
Bitmap sourcePicture(int colors, int width = 37, int height = 23) {
    Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int i = (x / 4 + y * 3 + (x * y) % 5 / 4) % colors;
            b.setPixel(x, y, rgb(kLevels[i & 3], kLevels[i >> 2 & 3], kLevels[i >> 4 & 3]));
        }
    return b;
}

// Writes `b` as a PPM and has ImageMagick convert it with `args`.
Bytes imageMagick(const Bitmap& b, const std::string& args) {
    test::TempDir dir;
    writePpm(dir / "in.ppm", b);
    const std::string cmd = "convert " + dir / "in.ppm" + " " + args + dir / "out.bmp";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    const std::string out = test::readFile(dir / "out.bmp");
    return Bytes(out.begin(), out.end());
}

Bytes le32s(std::initializer_list<std::uint32_t> values) {
    Bytes out;
    for (std::uint32_t v : values)
        for (int shift = 0; shift < 32; shift += 8) out.push_back(std::uint8_t(v >> shift));
    return out;
}

// A file with a 40-byte info part (header size field `headerSize`), then `tables` (the rest of a
// longer header, masks, palette), then `pixels`.
Bytes build(int width, int height, int bpp, std::uint32_t compression, const Bytes& tables,
            const Bytes& pixels, std::uint32_t headerSize = 40, std::uint32_t colorsUsed = 0) {
    Bytes f = le32s({0, 0, std::uint32_t(54 + tables.size()), headerSize, std::uint32_t(width),
                     std::uint32_t(height), 0, compression, 0, 0, 0, colorsUsed, 0});
    f.insert(f.begin(), {'B', 'M'});
    f[26] = 1;  // planes
    f[28] = std::uint8_t(bpp);
    f.insert(f.end(), tables.begin(), tables.end());
    f.insert(f.end(), pixels.begin(), pixels.end());
    return f;
}

// A picture `width` pixels wide from its pixels, row by row.
Bitmap rows(int width, std::initializer_list<Color> pixels) {
    Bitmap b(width, int(pixels.size()) / width);
    int i = 0;
    for (Color c : pixels) b.setPixel(i % width, i / width, c), ++i;
    return b;
}

// The same picture with its rows stored top to bottom.
Bytes topDown(Bytes f) {
    const auto at = [&](std::size_t i) {
        return std::uint32_t(f[i] | f[i + 1] << 8 | f[i + 2] << 16);
    };
    const std::size_t offset = at(10), width = at(18), height = at(22), bpp = f[28];
    const std::size_t stride = (width * bpp + 31) / 32 * 4;
    Bytes rows(f.begin() + std::ptrdiff_t(offset),
               f.begin() + std::ptrdiff_t(offset + stride * height));
    for (std::size_t y = 0; y < height; ++y)
        std::copy_n(rows.begin() + std::ptrdiff_t(stride * (height - 1 - y)), stride,
                    f.begin() + std::ptrdiff_t(offset + stride * y));
    const Bytes negative = le32s({std::uint32_t(-std::int32_t(height))});
    std::copy(negative.begin(), negative.end(), f.begin() + 22);
    return f;
}

// `b` (of at most 16 colours, the first 16 of kLevels' mixes) as RLE4: runs of one index along
// each row, an end of line after each, then the end of the bitmap.
Bytes rle4(const Bitmap& b) {
    Bytes palette;
    for (int i = 0; i < 16; ++i)
        for (int c : {kLevels[i >> 4 & 3], kLevels[i >> 2 & 3], kLevels[i & 3], 0})
            palette.push_back(std::uint8_t(c));
    const auto level = [](int v) { return int(std::find(kLevels, kLevels + 4, v) - kLevels); };
    const auto index = [&](int x, int y) {
        const Color c = b.pixel(x, y);
        return std::uint8_t(level(redOf(c)) | level(greenOf(c)) << 2);
    };
    Bytes data;
    for (int y = b.height() - 1; y >= 0; --y) {
        for (int x = 0; x < b.width();) {
            int n = 1;
            while (x + n < b.width() && n < 255 && index(x + n, y) == index(x, y)) ++n;
            data.insert(data.end(), {std::uint8_t(n), std::uint8_t(index(x, y) * 17)});
            x += n;
        }
        data.insert(data.end(), {0, 0});
    }
    data.insert(data.end(), {0, 1});
    return build(b.width(), b.height(), 4, 2, palette, data, 40, 16);
}

Bitmap crop(const Bitmap& b, int width, int height) {
    Bitmap out(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.setPixel(x, y, b.pixel(x, y));
    return out;
}

}  // namespace

TEST(BmpDecoder, ReadsWhatImageMagickWrites) {
    const Bitmap few = sourcePicture(16), many = sourcePicture(64);
    for (const char* args :
         {"-define bmp:format=bmp3 -type truecolor BMP3:", "-type truecolor BMP2:",
          "-type palette BMP3:", "-type palette BMP2:", "-define bmp:subtype=RGB565 BMP:",
          "-define bmp:subtype=RGB555 BMP:", "-alpha on -define bmp:subtype=ARGB32 BMP:"})
        EXPECT_EQ(decodeBmp(imageMagick(few, args)), few) << args;
    for (const char* args :
         {"-type palette -compress none BMP3:", "-type palette BMP2:",
          "-type palette -compress RLE BMP3:", "-type palette -compress RLE BMP:"})
        EXPECT_EQ(decodeBmp(imageMagick(many, args)), many) << args;
}

TEST(BmpDecoder, HandBuiltVariants) {
    const Color k = clBlack, w = clWhite, r = rgb(255, 0, 0), g = rgb(0, 255, 0),
                b = rgb(0, 0, 255);
    // 1 bit, bottom-up, rows padded to 4 bytes.
    const Bytes mono = le32s({0, 0xFFFFFF});
    EXPECT_EQ(decodeBmp(build(10, 2, 1, 0, mono, {0xA0, 0x40, 0, 0, 0x80, 0x80, 0, 0})),
              rows(10, {w, k, k, k, k, k, k, k, w, k, w, k, w, k, k, k, k, k, k, w}));
    // 4 bits with a 2-entry palette: index 7 reads as black. Top-down 24 bits.
    EXPECT_EQ(decodeBmp(build(3, 1, 4, 0, le32s({0xFF0000, 0xFF}), {0x01, 0x70, 0, 0}, 40, 2)),
              rows(3, {r, b, k}));
    EXPECT_EQ(decodeBmp(build(1, -2, 24, 0, {}, {0, 0, 255, 0, 0, 255, 0, 0})), rows(1, {r, g}));
    // Bit fields: V5 header 5-6-5 at 16 bits, masks after a 40-byte header with 10-bit channels.
    Bytes v5 = le32s({0xF800, 0x07E0, 0x001F});
    v5.resize(124 - 40);
    EXPECT_EQ(decodeBmp(build(2, 1, 16, 3, v5, {0x1F, 0xF8, 0x10, 0x84}, 124)),
              rows(2, {rgb(255, 0, 255), rgb(132, 130, 132)}));
    EXPECT_EQ(decodeBmp(build(1, 1, 32, 3, le32s({0x3FF00000, 0xFFC00, 0x3FF}),
                              le32s({0x3FF << 20 | 512 << 10 | 1}))),
              rows(1, {rgb(255, 128, 0)}));
    // RLE4: run, delta, absolute run with padding, end of line, end of bitmap; unset is black.
    const Bytes pal4 = le32s({0, 0xFF0000, 0xFF00, 0xFF});
    EXPECT_EQ(decodeBmp(build(5, 2, 4, 2, pal4,
                              {3, 0x12, 0, 2, 1, 0, 1, 0x30, 0, 0, 0, 3, 0x31, 0x20, 0, 1}, 40, 4)),
              rows(5, {b, r, g, k, k, r, g, r, k, b}));
}

TEST(BmpDecoder, RefusesTruncatedFiles) {
    const Bytes plain = imageMagick(sourcePicture(16), "-type palette BMP3:");
    const Bytes rle = imageMagick(sourcePicture(64), "-type palette -compress RLE BMP3:");
    for (std::size_t n = 0; n < plain.size(); ++n)
        ASSERT_THROW(decodeBmp({plain.data(), n}), InvalidGraphic) << n;
    // Only the final end-of-bitmap marker may go: the last row has already ended.
    for (std::size_t n = 0; n + 2 < rle.size(); ++n)
        ASSERT_THROW(decodeBmp({rle.data(), n}), InvalidGraphic) << n;
    EXPECT_NO_THROW(decodeBmp({rle.data(), rle.size() - 2}));
}

TEST(BmpDecoder, RefusesBadHeaders) {
    const Bytes base = build(3, 2, 4, 0, le32s({0, 1}), Bytes(8), 40, 2);
    ASSERT_NO_THROW(decodeBmp(base));
    const auto bad = [&](std::size_t at, std::uint32_t v, Bytes f = {}) {
        if (f.empty()) f = base;
        const Bytes value = le32s({v});
        std::copy(value.begin(), value.end(), f.begin() + at);
        EXPECT_THROW(decodeBmp(f), InvalidGraphic) << at << " = " << v;
    };
    bad(0, 0x4D42 ^ 0x2000);                                             // signature "Bm"
    for (std::uint32_t size : {0u, 16u, 41u, 64u, 125u}) bad(14, size);  // header size
    for (std::uint32_t width : {0u, 0xFFFFFFFFu, 0x7FFFFFFFu}) bad(18, width);
    for (std::uint32_t height : {0u, 0x80000000u, 0x7FFFFFFFu}) bad(22, height);
    bad(22, 0x7FFFFFFF, build(0x7FFFFFFF, 1, 4, 0, le32s({0, 1}), Bytes(8), 40, 2));
    bad(26, 2 | 4 << 16);  // two planes
    for (std::uint32_t bpp : {0u, 2u, 3u, 48u}) bad(26, 1 | bpp << 16);
    for (std::uint32_t c : {1u, 3u, 4u, 5u, 6u}) bad(30, c);    // compression unfit for 4 bits
    bad(46, 3, build(8, 1, 1, 0, Bytes(12), Bytes(4), 40, 2));  // 3 colours at 1 bit
    bad(46, 3);                                                 // palette runs into the pixels
    for (std::uint32_t offset : {0u, 57u, 70u, 0xFFFFFFF0u}) bad(10, offset);
    bad(22, std::uint32_t(-2), build(5, 2, 4, 2, Bytes(64), {0, 1}));  // top-down RLE
    // Bit masks: zero, with a gap, beyond 16 bits.
    const Bytes fields = build(1, 1, 16, 3, le32s({0x7C00, 0x3E0, 0x1F}), Bytes(4));
    ASSERT_NO_THROW(decodeBmp(fields));
    for (std::uint32_t mask : {0u, 0x5C00u, 0x10000u}) bad(54, mask, fields);
}

TEST(BmpDecoder, RefusesRunLengthDataOutsideThePicture) {
    const auto rle8 = [](const Bytes& data) { return build(5, 2, 8, 1, Bytes(1024), data); };
    ASSERT_NO_THROW(decodeBmp(rle8({8, 1, 0, 0, 8, 1, 0, 1})));  // into the padding is fine
    for (const Bytes& data : std::vector<Bytes>{
             {9, 1, 0, 1},                                // run past the padded row
             {0, 0, 0, 0, 1, 1, 0, 1},                    // run below the last row
             {0, 0, 0, 0, 0, 0, 0, 1},                    // end of line past the last row
             {0, 2, 9, 0, 0, 1},                          // delta past the row
             {0, 2, 0, 2, 0, 1},                          // delta past the picture
             {0, 3, 1, 2},                                // absolute run cut short
             {0, 9, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 1},  // absolute run past the row
             {2, 1, 0, 0},                                // data ending before the picture ends
             {}})
        EXPECT_THROW(decodeBmp(rle8(data)), InvalidGraphic) << data.size();
}

// A clipped decode is the top-left part of the whole decode, from memory and from a file; the
// files are large enough to be read in several parts.
TEST(BmpDecoder, AClippedDecodeIsTheTopLeftOfTheWhole) {
    const Bitmap few = sourcePicture(16, 700, 400), many = sourcePicture(64, 700, 400);
    const Bytes truecolor = imageMagick(many, "-define bmp:format=bmp3 -type truecolor BMP3:");
    struct Format {
        const char* what;
        Bytes file;
        const Bitmap* source;  // what it decodes to, when it is stored exactly
    };
    const Format formats[] = {
        {"1 bit", imageMagick(few, "-type bilevel BMP3:"), nullptr},
        {"4 bits", imageMagick(few, "-type palette BMP3:"), &few},
        {"RLE4", rle4(few), &few},
        {"8 bits", imageMagick(many, "-type palette -compress none BMP3:"), &many},
        {"RLE8", imageMagick(many, "-type palette -compress RLE BMP3:"), &many},
        {"core header", imageMagick(many, "-type palette BMP2:"), &many},
        {"16-bit fields", imageMagick(few, "-define bmp:subtype=RGB565 BMP:"), &few},
        {"32-bit fields", imageMagick(many, "-alpha on -define bmp:subtype=ARGB32 BMP:"), &many},
        {"24 bits", truecolor, &many},
        {"24 bits top-down", topDown(truecolor), &many},
    };
    struct Clip {
        Size asked;
        Size got;
    };
    const Clip clips[] = {
        {{13, 7}, {13, 7}}, {{1000, 1}, {700, 1}}, {{1, 1000}, {1, 400}}, {{699, 399}, {699, 399}}};
    test::TempDir dir;
    for (const Format& f : formats) {
        SCOPED_TRACE(f.what);
        const Bitmap whole = decodeBmp(f.file);
        ASSERT_EQ(whole.width(), 700);
        ASSERT_EQ(whole.height(), 400);
        if (f.source) {
            EXPECT_EQ(whole, *f.source);
        }
        test::writeFile(dir / "f.bmp", std::string(f.file.begin(), f.file.end()));
        const PictureFile file(dir / "f.bmp");
        EXPECT_EQ(decodeBmp(file, DecodeOptions{}), whole);
        for (const Clip& c : clips) {
            SCOPED_TRACE(testing::Message() << c.asked.width << " x " << c.asked.height);
            const DecodeOptions options{.clip = c.asked};
            const Bitmap part = decodeBmp(f.file, options);
            EXPECT_EQ(part.width(), c.got.width);
            EXPECT_EQ(part.height(), c.got.height);
            EXPECT_EQ(part, crop(whole, c.got.width, c.got.height));
            EXPECT_EQ(decodeBmp(file, options), part);
        }
    }
}
