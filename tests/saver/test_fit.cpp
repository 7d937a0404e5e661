// Fit: pictures larger than the screen shrunk to the largest size of their shape that the
// display mode shows wholly on the screen; smaller pictures and Fit off as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "LayoutGeometry.h"
#include "SlideShowFixture.h"

using namespace quillo;
using namespace quillo::test;

namespace {

constexpr Color kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;
// Greys a JPEG keeps exactly.
constexpr Color kDark = 0x404040, kMid = 0x808080, kLight = 0xC0C0C0;

// Red, green and blue thirds from left to right, or the greys for a JPEG.
Bitmap thirds(int w, int h, bool greys = false) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.setPixel(x, y,
                       x < w / 3       ? (greys ? kDark : kRed)
                       : x < 2 * w / 3 ? (greys ? kMid : kGreen)
                                       : (greys ? kLight : kBlue));
    return b;
}

std::map<std::string, std::string> options(int picdis, bool fit) {
    return {{"Sound", "0"},
            {"Color", "4"},
            {"Picdis", std::to_string(picdis)},
            {"Fit", fit ? "1" : "0"}};
}

}  // namespace

TEST(Fit, NaturalSizeShowsALargePictureWholeAndASmallOneAsBefore) {
    for (const bool fit : {true, false}) {
        SCOPED_TRACE(fit);
        SlideShow s({320, 240});
        s.start(options(2, fit),
                {s.picture("large.bmp", thirds(960, 480)), s.picture("small.bmp", thirds(99, 50))});
        s.tick();
        if (fit) {
            // 960 x 480 into 320 x 240: 320 x 160, centred, every third on the screen.
            EXPECT_EQ(s.at(160, 40), kGreen);
            EXPECT_EQ(s.at(160, 199), kGreen);
            EXPECT_EQ(s.at(0, 100), kRed);
            EXPECT_EQ(s.at(160, 100), kGreen);
            EXPECT_EQ(s.at(319, 100), kBlue);
            EXPECT_EQ(s.at(160, 39), clBlack);
            EXPECT_EQ(s.at(160, 200), clBlack);
        } else {
            EXPECT_EQ(s.at(0, 100), kGreen);
            EXPECT_EQ(s.at(319, 100), kGreen);
        }
        s.tick();
        // 160 - 49.5 -> 110: columns 110 to 208, rows 95 to 144.
        EXPECT_EQ(s.at(109, 95), clBlack);
        EXPECT_EQ(s.at(110, 94), clBlack);
        EXPECT_EQ(s.at(110, 95), kRed);
        EXPECT_EQ(s.at(208, 144), kBlue);
        EXPECT_TRUE(s.errors.empty());
    }
}

TEST(Fit, TheFadeKeepsAShrunkPictureWhollyOnTheScreen) {
    struct Case {
        bool fit;
        Size picture;
        Size frame;  // of every fade frame
        bool jpeg = false;
    };
    // The fade sends a picture as wide or as high as the screen off its edge, so under Fit a
    // picture is shrunk within 319 x 239; one that fits stays as it is.
    const Case cases[] = {
        {true, {960, 480}, {319, 160}},   // 159.5 rounds up
        {true, {320, 240}, {319, 239}},   // exactly the screen's size
        {true, {200, 100}, {200, 100}},   // smaller: untouched
        {false, {960, 480}, {960, 480}},  // off: natural size, placed in the first quarter
        // A JPEG decoded at 1/2 (480 x 240 still covers 319 x 239), then shrunk from that.
        {true, {960, 480}, {319, 160}, true},
        // Off, only the part on the screen is decoded; it is placed as the whole picture is.
        {false, {960, 480}, {960, 480}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.fit << " " << c.picture.width << "x"
                                        << c.picture.height << (c.jpeg ? " JPEG" : ""));
        SlideShow s({320, 240});
        const Bitmap picture = thirds(c.picture.width, c.picture.height, c.jpeg);
        const Color left = c.jpeg ? kDark : kRed, right = c.jpeg ? kLight : kBlue;
        const char* ext = c.jpeg ? ".jpg" : ".bmp";
        s.start(options(11, c.fit), {s.picture(std::string("a") + ext, picture),
                                     s.picture(std::string("b") + ext, picture)});
        s.runTick();
        const Rect at = s.host.presented().back();  // the last frame
        if (c.fit) {
            EXPECT_EQ(at.right - at.left, c.frame.width);
            EXPECT_EQ(at.bottom - at.top, c.frame.height);
            // Wholly on the screen: both outer thirds of the last frame are visible.
            EXPECT_TRUE(at.left >= 0 && at.top >= 0 && at.right <= 320 && at.bottom <= 240);
            EXPECT_EQ(s.at(at.left, at.top), left);
            EXPECT_EQ(s.at(at.right - 1, at.bottom - 1), right);
        } else {
            // The blue third lies beyond the right edge: the last column shows red.
            EXPECT_TRUE(at.left < 80 && at.top < 60);
            EXPECT_EQ(s.at(319, 239), left);
        }
        EXPECT_TRUE(s.errors.empty());
    }
}

TEST(Fit, BoxAndSizeForEachPlacementRule) {
    // Centred and random placements show a picture as large as the screen whole; the fade needs
    // one pixel less each way; the roll-down draws row k one row low, so on a 1050-row screen
    // (centre 525, a 1049-row picture's half 524.5 rounding to 524) its picture loses two rows.
    const auto box = [](Size screen, DisplayModeSetting mode) {
        return fitBox(screen, displayModeRow(mode).fit);
    };
    EXPECT_EQ(box({1920, 1080}, DisplayModeSetting::NaturalSize), (Size{1920, 1080}));
    EXPECT_EQ(box({1920, 1080}, DisplayModeSetting::Fade), (Size{1919, 1079}));
    EXPECT_EQ(box({1920, 1080}, DisplayModeSetting::RollDown), (Size{1920, 1079}));
    EXPECT_EQ(box({1680, 1050}, DisplayModeSetting::RollDown), (Size{1680, 1048}));
    EXPECT_EQ(fitSize({1919, 1079}, 6000, 4000), (Size{1619, 1079}));  // 1618.5 rounds up
    EXPECT_EQ(fitSize({1919, 1079}, 100000, 1), (Size{1919, 1}));      // never below one row
}

// Under Fit a large JPEG is asked for at the smallest of libjpeg's scales that still covers its
// box, at the tick and ahead of it: a 1280 x 960 photo on a 320 x 240 screen at 1/4, whose
// 320 x 240 covers the box of every mode (319 x 239 for the fade, 320 x 239 for the roll-down).
// Without Fit it is decoded at full size.
TEST(Fit, ALargeJpegIsDecodedAtTheScaleThatCoversItsBox) {
    struct Case {
        int mode;
        bool fit;
        int scale;
    };
    const Case cases[] = {{1, true, 4},  {2, true, 4},  {8, true, 4},
                          {11, true, 4}, {2, false, 1}, {11, false, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << (c.fit ? ", Fit" : ""));
        SlideShow s({320, 240});
        std::mutex mutex;
        std::vector<int> scales;  // of every decode, ahead or at the tick
        s.form.setPictureDecoder([&](const PictureRequest& request) {
            Picture header;
            header.loadFromFile(request.path, request.options);
            {
                std::lock_guard lock(mutex);
                scales.push_back(header.decodedScale());
            }
            return loadRequestedPicture(request);
        });
        const std::string photo = s.picture("photo.jpg", thirds(1280, 960, true));
        s.start(options(c.mode, c.fit), {photo, photo});
        s.runTick();
        s.runTick();
        s.form.waitForPictureAhead();
        std::lock_guard lock(mutex);
        EXPECT_GE(scales.size(), 3u);
        EXPECT_EQ(std::count(scales.begin(), scales.end(), c.scale), std::ptrdiff_t(scales.size()));
        EXPECT_TRUE(s.errors.empty());
    }
}
