// The Qt host's captions: elided in the middle, invalid UTF-8 as replacement characters, and
// CJK and emoji drawn with whatever installed font holds them instead of missing-glyph boxes.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QRawFont>

#include "CaptionText.h"
#include "DialogTestSupport.h"

using namespace quillo;

namespace {

int whitePixels(const Bitmap& b) {
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) n += b.pixel(x, y) == clWhite;
    return n;
}

// The columns [from, from + count) of a bitmap.
Bitmap columns(const Bitmap& b, int from, int count) {
    Bitmap out(count, b.height());
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < count; ++x) out.setPixel(x, y, b.pixel(from + x, y));
    return out;
}

bool someFontHas(char32_t c) {
    for (const QString& family : QFontDatabase::families())
        if (QRawFont::fromFont(QFont(family)).supportsCharacter(c)) return true;
    return false;
}

TEST(CaptionText, ElidedInTheMiddleInvalidUtf8ReplacedCjkAndEmojiDrawn) {
    quillo::test::testApp();
    // Elision: the head stays as it was drawn, and the whole fits.
    std::string longName;
    for (int i = 0; i < 20; ++i) longName += "Beach at noon ";
    const Bitmap whole = renderCaptionText(longName, 27, 100000);
    const Bitmap elided = renderCaptionText(longName, 27, 400);
    EXPECT_GT(whole.width(), 400);
    EXPECT_LE(elided.width(), 400);
    EXPECT_GT(elided.width(), 300);
    EXPECT_EQ(elided.height(), 27);
    EXPECT_EQ(columns(elided, 0, 120), columns(whole, 0, 120));
    EXPECT_NE(columns(elided, 200, 100), columns(whole, 200, 100));
    // A short one is as wide as its text, under the limit.
    const Bitmap shortOne = renderCaptionText("Beach at noon", 27, 400);
    EXPECT_LT(shortOne.width(), 300);
    EXPECT_GT(whitePixels(shortOne), 50);

    // A byte that starts no character is U+FFFD.
    EXPECT_EQ(renderCaptionText("a\xFF"
                                "b",
                                27, 400),
              renderCaptionText("a\xEF\xBF\xBD"
                                "b",
                                27, 400));

    // 東, 京 and 😀: each differs from a character no font has (drawn as a box) wherever some
    // installed font holds it.
    const Bitmap box = renderCaptionText("\xF4\x8F\xBF\xBD", 27, 400);  // U+10FFFD
    struct Case {
        const char* text;
        char32_t c;
    };
    const Case cases[] = {{"\xE6\x9D\xB1", U'\u6771'},
                          {"\xE4\xBA\xAC", U'\u4EAC'},
                          {"\xF0\x9F\x98\x80", U'\U0001F600'}};
    int checked = 0;
    for (const Case& c : cases) {
        const Bitmap drawn = renderCaptionText(c.text, 27, 400);
        EXPECT_EQ(drawn.height(), 27);
        if (!someFontHas(c.c)) continue;
        ++checked;
        EXPECT_NE(drawn, box) << c.text;
        EXPECT_GT(whitePixels(drawn) + 1, 1) << c.text;
    }
    RecordProperty("charactersWithAFont", checked);
    // A whole name mixing them renders, no taller than asked and within the width.
    const Bitmap mixed =
        renderCaptionText("\xE6\x9D\xB1\xE4\xBA\xAC \xF0\x9F\x98\x80 2025", 27, 400);
    EXPECT_EQ(mixed.height(), 27);
    EXPECT_LE(mixed.width(), 400);
}

}  // namespace
