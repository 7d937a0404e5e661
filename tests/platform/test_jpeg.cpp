#include <gtest/gtest.h>

#include <jpeglib.h>
// jerror.h after jpeglib.h: the message codes libjpeg reports.
#include <jerror.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "Errors.h"
#include "JpegImage.h"
#include "JpegTools.h"
#include "Scale.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

JpegImage loadJpeg(const std::string& path, const DecodeOptions& options = {}) {
    return JpegImage(readBytes(path), options);
}

DecodeOptions paletteScreen() {
    DecodeOptions options;
    options.screenDepth = 8;
    return options;
}

// Position of the first marker 0xFF <code> in the file; npos when absent.
std::size_t findMarker(const std::vector<std::uint8_t>& bytes, std::uint8_t code) {
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == code) return i;
    return std::string::npos;
}

// Rewrites the dimensions in the frame header of a baseline (or, with 0xC2, progressive) file.
std::vector<std::uint8_t> withFrameSize(std::vector<std::uint8_t> bytes, int w, int h,
                                        std::uint8_t frame = 0xC0) {
    const std::size_t sof = findMarker(bytes, frame);
    EXPECT_NE(sof, std::string::npos);
    bytes[sof + 5] = std::uint8_t(h >> 8);
    bytes[sof + 6] = std::uint8_t(h);
    bytes[sof + 7] = std::uint8_t(w >> 8);
    bytes[sof + 8] = std::uint8_t(w);
    return bytes;
}

// Writes a four-component JPEG with libjpeg from `ink`, four bytes a pixel stored as given, in
// `space` (JCS_CMYK or JCS_YCCK), with or without Adobe's marker, and an Exif orientation
// other than 1 if asked.
void writeFourComponentJpeg(const std::string& path, int w, int h,
                            const std::vector<std::uint8_t>& ink, J_COLOR_SPACE space,
                            bool adobeMarker, int quality = 95, int orientation = 1) {
    FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = JDIMENSION(w);
    cinfo.image_height = JDIMENSION(h);
    cinfo.input_components = 4;
    cinfo.in_color_space = JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, space);
    cinfo.write_Adobe_marker = adobeMarker ? TRUE : FALSE;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    if (orientation != 1) {
        // Exif, little-endian TIFF: one entry, tag 0x0112 (SHORT, count 1) = orientation.
        const JOCTET exif[] = {'E', 'x',  'i',  'f', 0,
                               0,   'I',  'I',  42,  0,
                               8,   0,    0,    0,   1,
                               0,   0x12, 0x01, 3,   0,
                               1,   0,    0,    0,   JOCTET(orientation),
                               0,   0,    0,    0,   0,
                               0,   0};
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, exif, sizeof exif);
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(ink.data() + std::size_t(cinfo.next_scanline) * 4 * w);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
}

// The largest and the mean difference of any channel between two bitmaps of one size.
std::pair<int, double> channelDifference(const Bitmap& a, const Bitmap& b) {
    EXPECT_EQ(a.byteSize(), b.byteSize());
    int most = 0;
    double sum = 0;
    const std::size_t pixels = std::min(a.byteSize(), b.byteSize()) / sizeof(Pixel);
    for (std::size_t i = 0; i < pixels; ++i)
        for (int shift = 0; shift < 24; shift += 8) {
            const int d =
                std::abs(int(a.data()[i] >> shift & 0xFF) - int(b.data()[i] >> shift & 0xFF));
            most = std::max(most, d);
            sum += d;
        }
    return {most, pixels ? sum / double(pixels * 3) : 0.0};
}

// The libjpeg error number the call fails with; -1 when it does not fail.
template <class Call>
int jpegErrorOf(Call&& call) {
    try {
        call();
    } catch (const JpegError& e) {
        return e.code();
    }
    return -1;
}

// Each test's files go in a folder of its own.
class Jpeg : public ::testing::Test {
protected:
    TempDir dir;
    // Writes `name` into the folder with cjpeg and those options; the test ends if cjpeg fails.
    std::string madeJpeg(const std::string& name, const Bitmap& image, const std::string& options) {
        const std::string path = dir / name;
        if (!makeJpeg(path, image, options))
            throw std::runtime_error("cjpeg did not write " + name);
        return path;
    }
};

}  // namespace

// Our decode is djpeg's accurate-integer decode, pixel for pixel, for every kind of file a
// camera or an editor writes: subsampling, progressive, restart markers, odd sizes.
TEST_F(Jpeg, ColourDecodeMatchesDjpeg) {
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
        // Clipped, the picture is the whole decode's top-left part, pixel for pixel.
        DecodeOptions clip;
        clip.clip = {c.w / 2 + 1, c.h / 2};
        const JpegImage clipped = loadJpeg(path, clip);
        const Bitmap& part = clipped.bitmap();
        ASSERT_EQ(part.width(), c.w / 2 + 1);
        ASSERT_EQ(part.height(), c.h / 2);
        long differing = 0;
        for (int y = 0; y < part.height(); ++y)
            for (int x = 0; x < part.width(); ++x)
                differing += part.pixel(x, y) != reference.pixel(x, y);
        EXPECT_EQ(differing, 0);
        // Sampled, it is the whole decode stretched by nearest neighbour, narrower and taller.
        DecodeOptions sample;
        sample.sample = {c.w / 3 + 1, c.h * 2};
        const JpegImage sampled = loadJpeg(path, sample);
        Bitmap stretched(c.w / 3 + 1, c.h * 2);
        stretchCopy(stretched, stretched.rect(), reference, reference.rect());
        EXPECT_EQ(differingPixels(sampled.bitmap(), stretched), 0);
    }
}

// A grey-scale file goes through libjpeg's quantiser to 236 colours, so its greys are not the
// plain decode's 256 levels: the reference is djpeg with the same palette request.
TEST_F(Jpeg, GreyDecodeIsQuantisedTo236Greys) {
    const std::string path =
        madeJpeg("grey.jpg", makeTestImage(80, 60, 3), "-grayscale -quality 90");
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
TEST_F(Jpeg, PaletteScreenQuantisesColourFiles) {
    const std::string path = madeJpeg("colour.jpg", makeTestImage(64, 64, 5), "-quality 90");
    const JpegImage jpeg = loadJpeg(path, paletteScreen());
    EXPECT_EQ(differingPixels(jpeg.bitmap(), djpeg(path, "-colors 236")), 0);
}

TEST_F(Jpeg, HeaderFailuresAreImmediate) {
    // Not a JPEG at all, and an empty file: libjpeg's own error numbers.
    try {
        JpegImage({'B', 'M', 0, 0, 0, 0}, {});
        ADD_FAILURE() << "no error";
    } catch (const JpegError& e) {
        EXPECT_EQ(e.code(), JERR_NO_SOI);
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_NO_SOI));
    }
    EXPECT_THROW(JpegImage(std::vector<std::uint8_t>{}, {}), JpegError);

    const std::string path = madeJpeg("a.jpg", makeTestImage(16, 16), "-baseline");
    const std::vector<std::uint8_t> good = readBytes(path);

    // A file that ends inside its header.
    const std::size_t sos = findMarker(good, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    EXPECT_THROW(
        JpegImage(std::vector<std::uint8_t>(good.begin(), good.begin() + long(sos) - 10), {}),
        JpegError);
    // A zero dimension is libjpeg's error.
    EXPECT_THROW(JpegImage(withFrameSize(good, 0, 16), {}), JpegError);
}

// A file cut in the middle of its image data loads (only the header is read) and fails when
// drawn, every time, with libjpeg's "premature end" number rather than a grey-padded picture.
TEST_F(Jpeg, DamagedDataFailsWhenDecoded) {
    const std::string path = madeJpeg("cut.jpg", makeTestImage(96, 64), "-quality 95");
    std::vector<std::uint8_t> bytes = readBytes(path);
    const std::size_t sos = findMarker(bytes, 0xDA);
    ASSERT_NE(sos, std::string::npos);
    bytes.resize(sos + (bytes.size() - sos) / 2);

    const JpegImage jpeg(bytes, {});
    EXPECT_EQ(jpeg.width(), 96);
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(jpegErrorOf([&] { jpeg.bitmap(); }), JWRN_JPEG_EOF) << "attempt " << attempt;
    }
    // Also on the palette path, where libjpeg reads the whole image before the first row, and
    // when only the top rows are kept: the rows below are still read.
    EXPECT_THROW(JpegImage(bytes, paletteScreen()).bitmap(), JpegError);
    DecodeOptions top = paletteScreen();
    top.clip = {96, 8};
    EXPECT_THROW(JpegImage(bytes, top).bitmap(), JpegError);
    top.screenDepth = 24;
    EXPECT_THROW(JpegImage(bytes, top).bitmap(), JpegError);
}

// Other libjpeg warnings (here: junk bytes before the end marker) do not stop the decode.
TEST_F(Jpeg, WarningsAreIgnored) {
    const std::string path = madeJpeg("junk.jpg", makeTestImage(24, 24), "-quality 90");
    std::vector<std::uint8_t> bytes = readBytes(path);
    ASSERT_GE(bytes.size(), 2u);
    bytes.insert(bytes.end() - 2, {0x12, 0x34, 0x56});
    writeBytes(path, bytes);
    const JpegImage jpeg(bytes, {});
    EXPECT_EQ(differingPixels(jpeg.bitmap(), djpeg(path)), 0);
}

// A progressive file whose last scan is repeated endlessly would keep the decoder busy for a long
// time; past 500 scans the decode stops with an error. A modest repetition still decodes.
TEST_F(Jpeg, EndlessScansAreCut) {
    const std::string path = madeJpeg("p.jpg", makeTestImage(32, 32), "-progressive");
    const std::vector<std::uint8_t> bytes = readBytes(path);
    std::size_t lastScan = std::string::npos;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) lastScan = i;
    ASSERT_NE(lastScan, std::string::npos);
    const std::vector<std::uint8_t> scan(bytes.begin() + long(lastScan), bytes.end() - 2);
    auto repeated = [&](int times) {
        std::vector<std::uint8_t> out(bytes.begin(), bytes.end() - 2);
        for (int i = 0; i < times; ++i) out.insert(out.end(), scan.begin(), scan.end());
        out.insert(out.end(), {0xFF, 0xD9});
        return out;
    };
    EXPECT_EQ(JpegImage(repeated(20), {}).bitmap().width(), 32);
    EXPECT_EQ(jpegErrorOf([&] { JpegImage(repeated(600), {}).bitmap(); }), JERR_BAD_PROGRESSION);
}

// The decoding scale for a file's size: the budget (64 MP by default) and the size to cover.
TEST_F(Jpeg, ScaleFollowsBudgetAndCover) {
    struct Case {
        int w, h;
        std::uint64_t budget;
        Size cover;
        int scale;
    };
    const std::uint64_t mp64 = std::uint64_t(64) << 20;
    const Case cases[] = {
        {8192, 8192, mp64, {}, 1},                     // exactly the budget
        {8193, 8192, mp64, {}, 2},                     // one column over it
        {16385, 16385, mp64, {}, 4},                   // 8193 x 8193 would be over
        {65500, 65500, mp64, {}, 8},                   // libjpeg's largest: 8188 x 8188
        {100, 100, 1000, {}, 4},                       // 25 x 25
        {100, 100, 100, {}, 0},                        // 13 x 13 is still over: refused
        {3840, 2160, mp64, {1920, 1080}, 2},           // 1920 x 1080 covers exactly
        {3839, 2160, mp64, {1920, 1080}, 2},           // 1920 (rounded up) x 1080
        {3838, 2160, mp64, {1920, 1080}, 1},           // 1919 would not cover
        {1000, 800, mp64, {1920, 1080}, 1},            // smaller than the cover: as it is
        {20000, 20000, 100000000, {10000, 10000}, 2},  // the budget wins over the cover
    };
    for (const Case& c : cases) {
        DecodeOptions options;
        options.pixelBudget = c.budget;
        options.cover = c.cover;
        EXPECT_EQ(jpegScaleFor(c.w, c.h, options), c.scale)
            << c.w << "x" << c.h << " budget " << c.budget << " cover " << c.cover.width << "x"
            << c.cover.height;
    }
}

// A decode at a scale is libjpeg's scaled decode, pixel for pixel as `djpeg -scale`, whether the
// budget or the size to cover asked for it (to cover, at any eighth); a picture over the budget
// even at 1/8 is refused.
TEST_F(Jpeg, ScaledDecodeMatchesDjpegScale) {
    const std::string path = madeJpeg("p.jpg", makeTestImage(70, 50, 4), "-quality 90");
    struct Case {
        std::uint64_t budget;
        Size cover;
        int w, h;
        const char* djpegScale;
    };
    const Case cases[] = {
        {18 * 13, {}, 18, 13, "-scale 1/4"},
        {35 * 25, {}, 35, 25, "-scale 1/2"},
        {std::uint64_t(64) << 20, {9, 7}, 9, 7, "-scale 1/8"},
        {std::uint64_t(64) << 20, {30, 20}, 35, 25, "-scale 1/2"},
        // Between the halvings: the smallest eighth that covers (27 x 19 covers 25 x 16).
        {std::uint64_t(64) << 20, {25, 16}, 27, 19, "-scale 3/8"},
        {std::uint64_t(64) << 20, {40, 30}, 44, 32, "-scale 5/8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djpegScale);
        DecodeOptions options;
        options.pixelBudget = c.budget;
        options.cover = c.cover;
        const JpegImage jpeg = loadJpeg(path, options);
        EXPECT_EQ(jpeg.width(), c.w);
        EXPECT_EQ(jpeg.height(), c.h);
        EXPECT_EQ(differingPixels(jpeg.bitmap(), djpeg(path, c.djpegScale)), 0);
    }
    DecodeOptions tiny;
    tiny.pixelBudget = 8 * 6;
    EXPECT_THROW(loadJpeg(path, tiny), InvalidGraphic);
}

// A few kilobytes whose header claims 16384 x 16384: a progressive file needs libjpeg's whole
// coefficient array at full size whatever the scale (805 MB here), so the capped decoder
// refuses it cleanly, every time.
TEST_F(Jpeg, ClaimedSizeWithoutDataFailsCleanly) {
    const std::string progressive = madeJpeg("p.jpg", makeTestImage(64, 48), "-progressive");

    const JpegImage claimed(withFrameSize(readBytes(progressive), 16384, 16384, 0xC2), {});
    EXPECT_EQ(claimed.width(), 8192);  // the budget's 1/2
    for (int attempt = 0; attempt < 2; ++attempt) {
        EXPECT_EQ(jpegErrorOf([&] { claimed.bitmap(); }), JERR_NO_BACKING_STORE)
            << "attempt " << attempt;
    }
}

// CMYK and YCCK files decode to colour. Solid inks against the colours they make (Adobe's
// marker meaning inverted inks): flat areas at quality 100 decode to the very inks written, so
// the colours are exact, red = (C * K + 127) / 255 with the inks as Adobe stores them. Then
// photo-like files against ImageMagick's own decode.
TEST_F(Jpeg, CmykAndYcckDecodeToColour) {
    struct Solid {
        const char* name;
        std::array<std::uint8_t, 4> stored;  // C, M, Y, K as in the file
        J_COLOR_SPACE space;
        bool adobe;
        Color expected;
    };
    const Solid solids[] = {
        {"cyan ink, no marker", {255, 0, 0, 0}, JCS_CMYK, false, rgb(0, 255, 255)},
        {"cyan ink, Adobe", {0, 255, 255, 255}, JCS_CMYK, true, rgb(0, 255, 255)},
        // YCCK carries the inks through YCbCr: Y = 105, Cb = 212, Cr = 235, and back the third
        // ink is 105 + 1.772 x 84 = 253.8, so blue is 254.
        {"magenta ink, YCCK", {255, 0, 255, 255}, JCS_YCCK, true, rgb(255, 0, 254)},
        {"half black, Adobe", {255, 255, 255, 127}, JCS_CMYK, true, rgb(127, 127, 127)},
        {"yellow and black", {255, 255, 0, 127}, JCS_YCCK, true, rgb(127, 127, 0)},
        // Levels that a rounding one short would miss: (200 * 127 + 127) / 255 = 100, not 99;
        // then 50 and 25, not 49 and 24. Without the marker the inks are 255 - stored: 200, 100
        // and 229 under a black of 191 give 150, 75 and 172, not 149, 74 and 171.
        {"three inks and black, Adobe", {200, 100, 50, 127}, JCS_CMYK, true, rgb(100, 50, 25)},
        {"three inks and black, no marker", {55, 155, 26, 64}, JCS_CMYK, false, rgb(150, 75, 172)},
    };
    for (const Solid& s : solids) {
        SCOPED_TRACE(s.name);
        const std::string path = dir / "solid.jpg";
        std::vector<std::uint8_t> ink;
        for (int i = 0; i < 16 * 16; ++i) ink.insert(ink.end(), s.stored.begin(), s.stored.end());
        writeFourComponentJpeg(path, 16, 16, ink, s.space, s.adobe, 100);
        EXPECT_EQ(loadJpeg(path).bitmap().row(8)[8], pixelOf(s.expected));  // padding 0xFF
    }
    {
        // Turned as it is decoded (orientation 6, a quarter turn clockwise): the stored left
        // half, cyan, becomes the upright top half; the right half, grey, the bottom.
        SCOPED_TRACE("turned");
        std::vector<std::uint8_t> ink;
        for (int i = 0; i < 16 * 8; ++i)
            ink.insert(ink.end(), i % 16 < 8
                                      ? std::initializer_list<std::uint8_t>{0, 255, 255, 255}
                                      : std::initializer_list<std::uint8_t>{255, 255, 255, 127});
        const std::string path = dir / "turned.jpg";
        writeFourComponentJpeg(path, 16, 8, ink, JCS_CMYK, true, 100, 6);
        const JpegImage turned = loadJpeg(path);
        const Bitmap& b = turned.bitmap();
        ASSERT_EQ(b.width(), 8);
        ASSERT_EQ(b.height(), 16);
        EXPECT_EQ(b.row(3)[5], pixelOf(rgb(0, 255, 255)));
        EXPECT_EQ(b.row(12)[2], pixelOf(rgb(127, 127, 127)));
    }

    const Bitmap photo = makeTestImage(61, 47, 9);
    const std::string ppm = dir / "photo.ppm";
    writePpm(ppm, photo);
    ASSERT_TRUE(runTool("convert '" + ppm + "' -colorspace CMYK '" + dir / "magick.jpg'"));
    // Adobe's inverted inks for the photo, with half the black it allows:
    // 255 - C = red * 255 / (255 - K), as the inks multiply.
    std::vector<std::uint8_t> ink;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x) {
            const Color c = photo.pixel(x, y);
            const int k = (255 - std::max({redOf(c), greenOf(c), blueOf(c)})) / 2;
            const auto inverted = [k](int v) { return std::uint8_t((v * 255 + 127) / (255 - k)); };
            ink.insert(ink.end(), {inverted(redOf(c)), inverted(greenOf(c)), inverted(blueOf(c)),
                                   std::uint8_t(255 - k)});
        }
    writeFourComponentJpeg(dir / "cmyk.jpg", photo.width(), photo.height(), ink, JCS_CMYK, true);
    writeFourComponentJpeg(dir / "ycck.jpg", photo.width(), photo.height(), ink, JCS_YCCK, true);
    for (const char* name : {"magick", "cmyk", "ycck"}) {
        SCOPED_TRACE(name);
        const std::string path = dir / (std::string(name) + ".jpg");
        ASSERT_TRUE(runTool("convert '" + path + "' -colorspace sRGB '" + path + ".ppm'"));
        const auto [most, mean] =
            channelDifference(loadJpeg(path).bitmap(), readPnm(path + ".ppm"));
        EXPECT_LE(most, 2);
        EXPECT_LE(mean, 0.5);
        // Really a colour picture, near the one written (JPEG loses a little).
        EXPECT_LE(channelDifference(loadJpeg(path).bitmap(), photo).second, 8.0);
    }
}
