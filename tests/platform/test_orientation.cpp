// Exif orientation: upright pictures against ImageMagick's turning, and hostile Exif blocks.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "Exif.h"
#include "JpegTools.h"
#include "Picture.h"
#include "Scale.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count;
    std::uint16_t value;
};

void put16(std::vector<std::uint8_t>& b, std::uint16_t v, bool be) {
    b.push_back(std::uint8_t(be ? v >> 8 : v));
    b.push_back(std::uint8_t(be ? v : v >> 8));
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v, bool be) {
    put16(b, std::uint16_t(be ? v >> 16 : v), be);
    put16(b, std::uint16_t(be ? v : v >> 16), be);
}

// The data of an APP1 Exif segment: signature, TIFF header, one directory at offset 8.
std::vector<std::uint8_t> exifBlock(bool be, const std::vector<Entry>& entries) {
    std::vector<std::uint8_t> b = {'E', 'x', 'i', 'f', 0, 0};
    b.push_back(be ? 'M' : 'I');
    b.push_back(be ? 'M' : 'I');
    put16(b, 42, be);
    put32(b, 8, be);
    put16(b, std::uint16_t(entries.size()), be);
    for (const Entry& e : entries) {
        put16(b, e.tag, be);
        put16(b, e.type, be);
        put32(b, e.count, be);
        put16(b, e.value, be);
        put16(b, 0, be);
    }
    put32(b, 0, be);
    return b;
}

std::vector<std::uint8_t> orientationBlock(int value, bool be = false) {
    // A camera's first directory holds other tags before the orientation.
    return exifBlock(be, {{0x010F, 2, 4, 0}, {0x0112, 3, 1, std::uint16_t(value)}});
}

// The JPEG file with the block as an APP1 segment right after its start marker.
std::vector<std::uint8_t> withApp1(std::vector<std::uint8_t> jpeg,
                                   const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> seg = {0xFF, 0xE1, std::uint8_t((data.size() + 2) >> 8),
                                     std::uint8_t(data.size() + 2)};
    seg.insert(seg.end(), data.begin(), data.end());
    jpeg.insert(jpeg.begin() + 2, seg.begin(), seg.end());
    return jpeg;
}

TEST(Orientation, EveryValueMatchesImageMagicksAutoOrientExactly) {
    TempDir dir;
    const std::string plain = dir / "plain.jpg";
    ASSERT_TRUE(makeJpeg(plain, makeTestImage(37, 23), "-quality 90"));
    const std::vector<std::uint8_t> bytes = readBytes(plain);
    for (int value = 1; value <= 8; ++value) {
        SCOPED_TRACE(value);
        const std::string path = dir / ("o" + std::to_string(value) + ".jpg");
        const std::string ref = dir / ("o" + std::to_string(value) + ".ppm");
        writeBytes(path, withApp1(bytes, orientationBlock(value, value % 2 == 0)));
        ASSERT_TRUE(runTool("convert " + path + " -auto-orient " + ref));
        const Bitmap expected = readPnm(ref);
        Picture picture;
        picture.loadFromFile(path, {});
        // The turned size is known from the header, before any decoding.
        const bool turned = value >= 5;
        EXPECT_EQ(picture.width(), turned ? 23 : 37);
        EXPECT_EQ(picture.height(), turned ? 37 : 23);
        EXPECT_EQ(differingPixels(picture.bitmap(), expected), 0);
        // Cut to a clip or sampled to a tile, it is that part or stretch of the upright picture,
        // turned as it is decoded; a clip larger than the picture leaves it whole.
        struct Use {
            const char* name;
            DecodeOptions options;
            int width, height;
        };
        const Use uses[] = {
            {"clip", {.clip = {15, 20}}, 15, 20},
            {"clip beyond the picture", {.clip = {100, 30}}, turned ? 23 : 37, turned ? 30 : 23},
            {"sample", {.sample = {11, 50}}, 11, 50},
        };
        for (const Use& use : uses) {
            SCOPED_TRACE(use.name);
            Picture part;
            part.loadFromFile(path, use.options);
            EXPECT_EQ(part.width(), use.width);
            EXPECT_EQ(part.height(), use.height);
            Bitmap reference(use.width, use.height);
            if (use.options.sample.width > 0)
                stretchCopy(reference, reference.rect(), expected, expected.rect());
            else
                for (int y = 0; y < use.height; ++y)
                    for (int x = 0; x < use.width; ++x)
                        reference.setPixel(x, y, expected.pixel(x, y));
            EXPECT_EQ(differingPixels(part.bitmap(), reference), 0);
        }
    }
}

// A quarter-turned photo decoded at a reduced scale: the scale is chosen on the stored axes (an
// upright cover of 16 x 32 is 32 x 16 as stored, met at 1/2), and the half-size pixels are
// turned as they are decoded.
TEST(Orientation, ATurnedPhotoIsScaledOnItsStoredAxesThenTurned) {
    TempDir dir;
    const std::string plain = dir / "plain.jpg", turned = dir / "turned.jpg";
    ASSERT_TRUE(makeJpeg(plain, makeTestImage(64, 32), "-quality 90"));
    writeBytes(turned, withApp1(readBytes(plain), orientationBlock(6)));
    ASSERT_TRUE(
        runTool("djpeg -scale 1/2 " + plain + " | convert - -rotate 90 " + dir / "ref.ppm"));
    Picture picture;
    DecodeOptions options;
    options.cover = {16, 32};
    picture.loadFromFile(turned, options);
    EXPECT_EQ(picture.decodedScale(), 2);
    EXPECT_EQ(picture.width(), 16);
    EXPECT_EQ(picture.height(), 32);
    EXPECT_EQ(differingPixels(picture.bitmap(), readPnm(dir / "ref.ppm")), 0);
}

// The decoder's memory for a picture is its one bitmap, turned or not: a 2048 x 2048 photo is a
// 12 MiB bitmap, and a turned copy beside it would cost 12 MiB more than the upright decode.
TEST(Orientation, ATurnedPhotoCostsWhatItCostsUpright) {
    TempDir dir;
    const std::string plain = dir / "plain.jpg", turned = dir / "turned.jpg";
    ASSERT_TRUE(makeJpeg(plain, makeTestImage(2048, 2048), "-quality 90"));
    writeBytes(turned, withApp1(readBytes(plain), orientationBlock(6)));
    // The growth of the peak memory over a decode, in KiB, in a child whose peak starts from
    // what it holds now; both children start alike, whatever this process holds.
    const auto peakGrowth = [&](const std::string& path) {
        const std::string report = path + ".kib";
        EXPECT_EQ(runWithDeadline(60,
                                  [&] {
                                      const auto peakKiB = [] {
                                          std::ifstream status("/proc/self/status");
                                          std::string line;
                                          while (std::getline(status, line))
                                              if (line.rfind("VmHWM:", 0) == 0)
                                                  return std::atol(line.c_str() + 6);
                                          return 0L;
                                      };
                                      std::ofstream("/proc/self/clear_refs") << "5";
                                      const long before = peakKiB();
                                      Picture picture;
                                      picture.loadFromFile(path, {});
                                      if (picture.bitmap().width() != 2048) return false;
                                      std::ofstream(report) << peakKiB() - before;
                                      return true;
                                  }),
                  0);
        return std::atol(readFile(report).c_str());
    };
    const long upright = peakGrowth(plain);
    EXPECT_LT(peakGrowth(turned) - upright, 4 * 1024);
}

TEST(Orientation, HostileOrOddBlocksReadAsUpright) {
    const auto patched = [](std::size_t at, std::vector<std::uint8_t> bytes) {
        return [at, bytes] {
            std::vector<std::uint8_t> b = orientationBlock(6);
            std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
            return b;
        };
    };
    const auto cut = [](std::size_t size) {
        return [size] {
            std::vector<std::uint8_t> b = orientationBlock(6);
            b.resize(size);
            return b;
        };
    };
    const auto entries = [](std::vector<Entry> e) { return [e] { return exifBlock(true, e); }; };
    struct Case {
        const char* name;
        std::function<std::vector<std::uint8_t>()> block;
        int expected;
    };
    // In the little-endian block: TIFF header at 6, directory count at 14, the orientation entry
    // at 28 (type at 30, count at 32, value at 36).
    const Case cases[] = {
        {"valid, little-endian", [] { return orientationBlock(6); }, 6},
        {"valid, big-endian", [] { return orientationBlock(8, true); }, 8},
        {"empty", [] { return std::vector<std::uint8_t>(); }, 1},
        {"no Exif signature", patched(0, {'e'}), 1},
        {"unknown byte order", patched(6, {'I', 'M'}), 1},
        {"wrong TIFF magic", patched(8, {43, 0}), 1},
        {"directory past the end", patched(10, {0xF0, 0xFF, 0xFF, 0xFF}), 1},
        {"directory on the last byte", patched(10, {33, 0, 0, 0}), 1},
        {"entries run past the end", patched(14, {3, 0}), 1},
        {"cut inside the header", cut(11), 1},
        {"cut inside the orientation entry", cut(36), 1},
        {"orientation as LONG", patched(30, {4, 0}), 1},
        {"orientation with two values", patched(32, {2, 0}), 1},
        {"orientation 9", patched(36, {9, 0}), 1},
        {"no orientation tag", entries({{0x010F, 2, 4, 0}}), 1},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> block = c.block();
        EXPECT_EQ(exifOrientation(block), c.expected) << c.name;
    }
}

}  // namespace
