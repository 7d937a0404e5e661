#include <gtest/gtest.h>

#include <jpeglib.h>
// jerror.h after jpeglib.h: the message codes libjpeg reports.
#include <jerror.h>

#include "Errors.h"
#include "JpegImage.h"
#include "JpegTools.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

JpegImage loadJpeg(const std::string& path) {
    return JpegImage(readBytes(path));
}

// Position of the first marker 0xFF <code> in the file; npos when absent.
std::size_t findMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
    return std::string::npos;
}

// Rewrites the dimensions in the frame header of a baseline file.
std::vector<std::uint8_t> withFrameSize(std::vector<std::uint8_t> bytes, int w, int h) {
    const std::size_t sof = findMarker(bytes, 0xC0);
    EXPECT_NE(sof, std::string::npos);
    bytes[sof + 5] = std::uint8_t(h >> 8);
    bytes[sof + 6] = std::uint8_t(h);
    bytes[sof + 7] = std::uint8_t(w >> 8);
    bytes[sof + 8] = std::uint8_t(w);
    return bytes;
}

class ScreenDepth {
public:
    explicit ScreenDepth(int depth) : old_(screenColorDepth()) { setScreenColorDepth(depth); }
    ~ScreenDepth() { setScreenColorDepth(old_); }

private:
    int old_;
};

}  // namespace

// Our decode is djpeg's accurate-integer decode, pixel for pixel, for every kind of file a
// camera or an editor writes: subsampling, progressive, restart markers, odd sizes.
TEST(Jpeg, ColourDecodeMatchesDjpeg) {
    TempDir dir;
    struct Case {
        const char* name;
        int w, h;
        const char* cjpeg;  // nullptr: written by ImageMagick with `magick` options instead
        const char* magick;
    };
    const Case cases[] = {
        {"baseline", 64, 48, "-quality 90", nullptr},
        {"odd420", 37, 23, "-sample 2x2 -quality 75", nullptr},
        {"full444", 41, 30, "-sample 1x1 -quality 95", nullptr},
        {"progressive", 70, 50, "-progressive -quality 85", nullptr},
        {"restart", 50, 34, "-restart 1 -quality 80", nullptr},
        {"optimized", 33, 65, "-optimize -sample 2x1", nullptr},
        {"progressive_odd", 17, 9, "-progressive -sample 2x2", nullptr},
        // Refinement scans left out: libjpeg's block smoothing fills in the missing detail.
        {"unrefined", 64, 48, "-scans", nullptr},
        {"magick422", 45, 31, nullptr, "-quality 88 -sampling-factor 4:2:2"},
        {"magick_progressive", 52, 27, nullptr, "-quality 70 -interlace JPEG"},
    };
    writeFile(dir / "unrefined.txt", "0,1,2: 0 0 0 1;\n0: 1 5 0 2;\n1: 1 63 0 1;\n2: 1 63 0 1;\n");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / (std::string(c.name) + ".jpg");
        const Bitmap image = makeTestImage(c.w, c.h, 7);
        if (c.cjpeg) {
            std::string options = c.cjpeg;
            if (options == "-scans") options += " '" + dir / "unrefined.txt'";
            ASSERT_TRUE(makeJpeg(path, image, options));
        } else {
            writePpm(path + ".ppm", image);
            ASSERT_TRUE(runTool("convert '" + path + ".ppm' " + c.magick + " '" + path + "'"));
        }
        const JpegImage jpeg = loadJpeg(path);
        EXPECT_EQ(jpeg.width(), c.w);
        EXPECT_EQ(jpeg.height(), c.h);
        EXPECT_FALSE(jpeg.grayscale());
        const Bitmap reference = djpeg(path);
        ASSERT_FALSE(reference.empty());
        EXPECT_EQ(differingPixels(jpeg.bitmap(), reference), 0);
        // Decoded once and kept.
        EXPECT_EQ(&jpeg.bitmap(), &jpeg.bitmap());
    }
}

// A grey-scale file goes through libjpeg's quantiser to 236 colours, so its greys are not the
// plain decode's 256 levels: the reference is djpeg with the same palette request.
TEST(Jpeg, GreyDecodeIsQuantisedTo236Greys) {
    TempDir dir;
    const std::string path = dir / "grey.jpg";
    ASSERT_TRUE(makeJpeg(path, makeTestImage(80, 60, 3), "-grayscale -quality 90"));
    const JpegImage jpeg = loadJpeg(path);
    EXPECT_TRUE(jpeg.grayscale());
    const Bitmap& ours = jpeg.bitmap();
    EXPECT_EQ(differingPixels(ours, djpeg(path, "-colors 236")), 0);
    // The quantiser really changes pixels (so this checks the palette path, not the plain one).
    EXPECT_GT(differingPixels(ours, djpeg(path)), 0);
    for (int y = 0; y < ours.height(); ++y)
        for (int x = 0; x < ours.width(); ++x) {
            const Color c = ours.pixel(x, y);
            ASSERT_TRUE(redOf(c) == greenOf(c) && greenOf(c) == blueOf(c)) << x << "," << y;
        }
}

// On a palette screen every file is quantised to 236 colours with libjpeg's two-pass palette.
TEST(Jpeg, PaletteScreenQuantisesColourFiles) {
    TempDir dir;
    const std::string path = dir / "colour.jpg";
    ASSERT_TRUE(makeJpeg(path, makeTestImage(64, 64, 5), "-quality 90"));
    ScreenDepth depth(8);
    const JpegImage jpeg = loadJpeg(path);
    EXPECT_EQ(differingPixels(jpeg.bitmap(), djpeg(path, "-colors 236")), 0);
}

TEST(Jpeg, HeaderFailuresAreImmediate) {
    // Not a JPEG at all, and an empty file: libjpeg's own error numbers.
    try {
        JpegImage({'B', 'M', 0, 0, 0, 0});
        ADD_FAILURE() << "no error";
    } catch (const JpegError& e) {
        EXPECT_EQ(e.code(), JERR_NO_SOI);
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_NO_SOI));
    }
    EXPECT_THROW(JpegImage(std::vector<std::uint8_t>{}), JpegError);

    TempDir dir;
    const std::string path = dir / "a.jpg";
    ASSERT_TRUE(makeJpeg(path, makeTestImage(16, 16), "-baseline"));
    const std::vector<std::uint8_t> good = readBytes(path);

    // A file that ends inside its header.
    const std::size_t sos = findMarker(good, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    EXPECT_THROW(JpegImage(std::vector<std::uint8_t>(good.begin(), good.begin() + long(sos) - 10)),
                 JpegError);

    // Dimensions past the picture size limit are refused before anything is allocated; the
    // largest allowed size loads (header only).
    EXPECT_THROW(JpegImage(withFrameSize(good, 65500, 65500)), InvalidGraphic);
    EXPECT_THROW(JpegImage(withFrameSize(good, 16385, 16385)), InvalidGraphic);
    const JpegImage largest(withFrameSize(good, 16384, 16384));
    EXPECT_EQ(largest.width(), 16384);
    EXPECT_EQ(largest.height(), 16384);
    // A zero dimension is libjpeg's error.
    EXPECT_THROW(JpegImage(withFrameSize(good, 0, 16)), JpegError);
}

// A file cut in the middle of its image data loads (only the header is read) and fails when
// drawn, every time, with libjpeg's "premature end" number rather than a grey-padded picture.
TEST(Jpeg, DamagedDataFailsWhenDecoded) {
    TempDir dir;
    const std::string path = dir / "cut.jpg";
    ASSERT_TRUE(makeJpeg(path, makeTestImage(96, 64), "-quality 95"));
    std::vector<std::uint8_t> bytes = readBytes(path);
    const std::size_t sos = findMarker(bytes, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    bytes.resize(sos + (bytes.size() - sos) / 2);

    const JpegImage jpeg(bytes);
    EXPECT_EQ(jpeg.width(), 96);
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            jpeg.bitmap();
            ADD_FAILURE() << "decoded a cut file";
        } catch (const JpegError& e) {
            EXPECT_EQ(e.code(), JWRN_JPEG_EOF);
        }
    }
    // Also on the palette path, where libjpeg reads the whole image before the first row.
    ScreenDepth depth(8);
    EXPECT_THROW(JpegImage(bytes).bitmap(), JpegError);
}

// Other libjpeg warnings (here: junk bytes before the end marker) do not stop the decode.
TEST(Jpeg, WarningsAreIgnored) {
    TempDir dir;
    const std::string path = dir / "junk.jpg";
    ASSERT_TRUE(makeJpeg(path, makeTestImage(24, 24), "-quality 90"));
    std::vector<std::uint8_t> bytes = readBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    bytes.insert(bytes.end() - 2, {0x12, 0x34, 0x56});
    writeBytes(path, bytes);
    const JpegImage jpeg(bytes);
    EXPECT_EQ(differingPixels(jpeg.bitmap(), djpeg(path)), 0);
}
