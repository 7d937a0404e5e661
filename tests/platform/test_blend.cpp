#include <gtest/gtest.h>

#include "Blend.h"
#include "JpegTools.h"

using namespace quillo;
using namespace quillo::test;

TEST(Blend, WeightRoundsHalvesToEven) {
    // The fade's 101 frames: the nearest integer to 2.56 K (never a tie for these K).
    for (int k = 0; k <= 100; ++k) EXPECT_EQ(blendWeight(float(k) / 100.0f), (256 * k + 50) / 100);
    EXPECT_EQ(blendWeight(0.01f), 3);
    EXPECT_EQ(blendWeight(0.99f), 253);
    EXPECT_EQ(blendWeight(0.5f / 256), 0);
    EXPECT_EQ(blendWeight(1.5f / 256), 2);
    EXPECT_EQ(blendWeight(2.5f / 256), 2);
    EXPECT_EQ(blendWeight(3.5f / 256), 4);
}

TEST(Blend, FramesMixTheCommonArea) {
    const Bitmap oldPic = makeTestImage(40, 30, 1);
    const Bitmap newPic = makeTestImage(33, 35, 2);
    Bitmap out(100, 100);

    blendRows(out, oldPic, newPic, 0);
    ASSERT_EQ(out.width(), 33);
    ASSERT_EQ(out.height(), 30);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 33; ++x) ASSERT_EQ(out.pixel(x, y), oldPic.pixel(x, y));

    blendRows(out, oldPic, newPic, 256);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 33; ++x) ASSERT_EQ(out.pixel(x, y), newPic.pixel(x, y));

    for (int f : {1, 3, 128, 200, 255}) {
        blendRows(out, oldPic, newPic, f);
        for (int y = 0; y < 30; ++y)
            for (int b = 0; b < 33 * 3; ++b)
                ASSERT_EQ(out.row(y)[b], (oldPic.row(y)[b] * (256 - f) + newPic.row(y)[b] * f) >> 8)
                    << "F " << f << " row " << y << " byte " << b;
    }

    // Spot values: old 200, new 100.
    Bitmap a(1, 1), b(1, 1);
    a.fill(rgb(200, 200, 200));
    b.fill(rgb(100, 100, 100));
    blendRows(out, a, b, blendWeight(0.5f));
    EXPECT_EQ(out.pixel(0, 0), rgb(150, 150, 150));
    blendRows(out, a, b, blendWeight(0.01f));
    EXPECT_EQ(out.pixel(0, 0), rgb(198, 198, 198));

    // An empty picture on either side gives an empty frame.
    blendRows(out, Bitmap(), newPic, 100);
    EXPECT_TRUE(out.empty());
}
