// Area-averaging shrink: every output pixel is the mean of the source area it covers.
#include <gtest/gtest.h>

#include "Shrink.h"

using namespace quillo;

namespace {

Bitmap checker(int w, int h) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.setPixel(x, y, (x + y) % 2 ? 0xFFFFFF : 0);
    return b;
}

TEST(Shrink, FineDetailBecomesItsAverageNotAliasing) {
    // A one-pixel checkerboard halved: every pixel is grey (127.5 rounds up), where dropping
    // rows and columns would give all black or all white.
    const Bitmap out = shrinkBitmap(checker(100, 60), 50, 30);
    ASSERT_EQ(out.width(), 50);
    ASSERT_EQ(out.height(), 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(out.pixel(x, y), 0x808080u) << x << "," << y;
}

TEST(Shrink, PartlyCoveredPixelsCountByTheirShare) {
    // Five columns into two: each output pixel covers 2.5 source pixels.
    Bitmap src(5, 1);
    const std::uint8_t levels[] = {0, 100, 200, 40, 80};
    for (int x = 0; x < 5; ++x) src.setPixel(x, 0, levels[x]);  // red only
    const Bitmap out = shrinkBitmap(src, 2, 1);
    EXPECT_EQ(out.pixel(0, 0), 80u);  // (0 + 100 + 200 / 2) / 2.5
    EXPECT_EQ(out.pixel(1, 0), 88u);  // (200 / 2 + 40 + 80) / 2.5
}

}  // namespace
