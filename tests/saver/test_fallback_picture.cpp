#include <gtest/gtest.h>

#include "FallbackPicture.h"

using namespace quillo;

TEST(FallbackPicture, BlackCapitalsOnWhite) {
    const Bitmap& p = fallbackPicture();
    ASSERT_EQ(p.width(), 72);
    ASSERT_EQ(p.height(), 65);
    int inkTop = 0, inkBottom = 0, inkLeft = 0, inkRight = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            const Color c = p.pixel(x, y);
            ASSERT_TRUE(c == clBlack || c == clWhite) << x << "," << y;
            if (c != clBlack) continue;
            (y < p.height() / 2 ? inkTop : inkBottom)++;
            (x < p.width() / 2 ? inkLeft : inkRight)++;
        }
    // Two lines of lettering, roughly centred.
    EXPECT_GT(inkTop, 200);
    EXPECT_GT(inkBottom, 200);
    EXPECT_GT(inkLeft, 200);
    EXPECT_GT(inkRight, 200);
    // A white frame around the text.
    for (int x = 0; x < p.width(); ++x) {
        EXPECT_EQ(p.pixel(x, 0), clWhite);
        EXPECT_EQ(p.pixel(x, p.height() - 1), clWhite);
    }
    EXPECT_EQ(&p, &fallbackPicture());
}

TEST(FallbackPicture, TheScreenSizedCardIsCentredOnTheBackground) {
    // The card's top-left at Round(SW / 2 - 36), Round(SH / 2 - 32.5), cut off on a screen
    // smaller than itself.
    struct Case {
        Size screen;
        Point card;
    };
    const Case cases[] = {{{320, 240}, {124, 88}}, {{73, 66}, {0, 0}}, {{50, 40}, {-11, -12}}};
    const Bitmap& card = fallbackPicture();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.screen.width);
        const Bitmap b = fallbackCard(c.screen, clNavy);
        ASSERT_EQ(b.width(), c.screen.width);
        ASSERT_EQ(b.height(), c.screen.height);
        for (int y = 0; y < b.height(); ++y)
            for (int x = 0; x < b.width(); ++x) {
                const int cx = x - c.card.x, cy = y - c.card.y;
                const bool inCard = cx >= 0 && cx < 72 && cy >= 0 && cy < 65;
                ASSERT_EQ(b.pixel(x, y), inCard ? card.pixel(cx, cy) : clNavy) << x << "," << y;
            }
    }
}
