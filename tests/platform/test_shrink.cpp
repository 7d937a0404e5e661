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

}  // namespace
