#include <gtest/gtest.h>

#include <cstring>

#include "Blend.h"

using namespace quillo;

namespace {

// A picture whose every channel is `value`.
Bitmap filled(int w, int h, int value) {
    Bitmap b(w, h);
    b.fill(rgb(value, value, value));
    return b;
}

}  // namespace

TEST(Blend, WeightRoundsHalvesToEven) {
    // Round(K / 100 x 256) for the fade's frames.
    const struct {
        int k, f;
    } frames[] = {{0, 0}, {1, 3}, {2, 5}, {25, 64}, {50, 128}, {99, 253}, {100, 256}};
    for (const auto& c : frames) EXPECT_EQ(blendWeight(float(c.k) / 100.0f), c.f) << "K " << c.k;
    EXPECT_EQ(blendWeight(0.5f / 256), 0);
    EXPECT_EQ(blendWeight(1.5f / 256), 2);
    EXPECT_EQ(blendWeight(2.5f / 256), 2);
    EXPECT_EQ(blendWeight(3.5f / 256), 4);
}

TEST(Blend, EveryByteIsTheWeightedSumShiftedDown) {
    // (old x (256 - F) + new x F) >> 8, worked out by hand.
    const struct {
        int oldByte, newByte, F, expected;
    } cases[] = {
        {200, 100, 128, 150},  // 38400 / 256
        {200, 100, 3, 198},    // 50900 / 256 = 198.8, rounded down
        {200, 100, 0, 200},    // frame 0: the old picture
        {200, 100, 256, 100},  // frame 100: the new picture
        {255, 0, 1, 254},      // 65025 / 256 = 254.0
        {0, 255, 255, 254},    // 65025 / 256
        {255, 255, 128, 255},  // 65280 / 256, the largest sum
        {1, 2, 128, 1},        // 384 / 256 = 1.5, rounded down
        {10, 250, 64, 70},     // 1920 + 16000 = 17920 / 256
    };
    // 13 pixels a row: 52 bytes, more than one whole run of the vector loop and a tail. The
    // padding byte stays 0xFF, as the screen may read it as opaque alpha.
    for (const auto& c : cases) {
        Bitmap out;
        blendRows(out, filled(13, 2, c.oldByte), filled(13, 2, c.newByte), c.F);
        ASSERT_EQ(out.width(), 13);
        ASSERT_EQ(out.height(), 2);
        const std::uint32_t e = std::uint32_t(c.expected);
        for (std::size_t i = 0; i < 13 * 2; ++i)
            ASSERT_EQ(out.data()[i], 0xFF000000u | e << 16 | e << 8 | e)
                << "old " << c.oldByte << " new " << c.newByte << " F " << c.F << " pixel " << i;
    }
}

TEST(Blend, TheFrameIsTheCommonTopLeftArea) {
    Bitmap oldPic = filled(40, 30, 200), newPic = filled(33, 35, 100);
    oldPic.setPixel(32, 29, rgb(10, 20, 30));  // the common area's last pixel
    newPic.setPixel(32, 29, rgb(30, 40, 50));
    Bitmap out(5, 5);
    blendRows(out, oldPic, newPic, 128);
    EXPECT_EQ(out.width(), 33);
    EXPECT_EQ(out.height(), 30);
    EXPECT_EQ(out.pixel(0, 0), rgb(150, 150, 150));
    EXPECT_EQ(out.pixel(32, 29), rgb(20, 30, 40));
    blendRows(out, Bitmap(), newPic, 100);  // an empty picture on either side: an empty frame
    EXPECT_TRUE(out.empty());
}

TEST(Bitmap, PixelsAreOpaqueWordsRedGreenBlueAndCopyAsTheyAre) {
    Bitmap b(19, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 19; ++x) b.setPixel(x, y, rgb(x, 100 + y, 200 + x));
    b.setPixel(18, 2, rgb(0x12, 0x34, 0x56));
    b.setPixel(0, 0, rgb(0xFE, 0xDC, 0xBA));
    EXPECT_EQ(Bitmap(2, 1).row(0)[1], 0xFF000000u);  // black, padding byte set

    // The whole bitmap into rows with 2 words of slack each; the slack stays untouched.
    std::vector<std::uint32_t> words(21 * 3, 0xDEADBEEF);
    b.copyTo(b.rect(), words.data(), 21 * 4);
    EXPECT_EQ(words[0], 0xFFFEDCBAu);
    EXPECT_EQ(words[1], 0xFF0164C9u);  // red 1, green 100, blue 201
    EXPECT_EQ(words[9], 0xFF0964D1u);  // red 9, green 100, blue 209
    EXPECT_EQ(words[21 + 17], 0xFF1165D9u);
    EXPECT_EQ(words[42 + 18], 0xFF123456u);
    EXPECT_EQ(words[19], 0xDEADBEEFu);
    EXPECT_EQ(words[42 + 20], 0xDEADBEEFu);

    // A part reaching past the bitmap copies only what lies on it, at its own place.
    std::vector<std::uint32_t> part(4 * 2, 0);
    b.copyTo(Rect{17, 1, 21, 3}, part.data(), 4 * 4);
    EXPECT_EQ(part[0], 0xFF1165D9u);
    EXPECT_EQ(part[4 + 1], 0xFF123456u);
    EXPECT_EQ(part[2], 0u);
    EXPECT_EQ(part[4 + 3], 0u);
}

TEST(Blend, AFrameBlendedInPlaceIsCutAtTheTargetsEdges) {
    Bitmap oldPic = filled(6, 4, 200), newPic = filled(5, 5, 100);
    oldPic.setPixel(2, 0, rgb(0, 0, 0));
    newPic.setPixel(2, 0, rgb(0, 0, 0));
    const struct {
        Point at;
        Rect written;
        Point black;  // where the picture's pixel (2, 0) lands
    } cases[] = {
        {{7, 3}, {7, 3, 10, 6}, {9, 3}},  // the common 5 x 4 area, cut at the right and bottom
        {{-2, 1}, {0, 1, 3, 5}, {0, 1}},  // its left part off the target
    };
    for (const auto& c : cases) {
        Bitmap target = filled(10, 6, 7);
        EXPECT_EQ(blendAt(target, c.at.x, c.at.y, oldPic, newPic, 128, target.rect()), c.written);
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 10; ++x) {
                const Color expected = Point{x, y} == c.black     ? rgb(0, 0, 0)
                                       : c.written.contains(x, y) ? rgb(150, 150, 150)
                                                                  : rgb(7, 7, 7);
                ASSERT_EQ(target.pixel(x, y), expected) << x << "," << y;
            }
    }
}
