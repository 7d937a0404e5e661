// The playlist, the tick with its colours, and display modes 1 to 6 on the headless host.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "BackColors.h"
#include "LayoutGeometry.h"
#include "SaverRandom.h"
#include "SlideShowFixture.h"

using namespace quillo;
using namespace quillo::test;

TEST(LayoutGeometry, RoundingCentringAndTiles) {
    EXPECT_EQ(Round(2.5), 2);
    EXPECT_EQ(Round(3.5), 4);
    EXPECT_EQ(Round(282.5), 282);
    EXPECT_EQ(Round(-316.5), -316);
    // Centring is one expression rounded once: 683 - 400.5 = 282.5 gives 282.
    EXPECT_EQ(centerImage({1366, 768}, 801, 768), (Point{282, 0}));
    EXPECT_EQ(centerImage({1366, 768}, 2000, 1500), (Point{-317, -366}));
    EXPECT_EQ(centerImage({1025, 601}, 24, 25), (Point{500, 288}));
    // Tiles leave a line of background between the quarters; odd halves round to even.
    EXPECT_EQ(tileRect({1366, 768}, 1), Rect::fromSize(0, 0, 683, 384));
    EXPECT_EQ(tileRect({1366, 768}, 2), Rect::fromSize(0, 385, 683, 384));
    EXPECT_EQ(tileRect({1366, 768}, 3), Rect::fromSize(684, 0, 683, 384));
    EXPECT_EQ(tileRect({1366, 768}, 9), Rect::fromSize(684, 385, 683, 384));
    EXPECT_EQ(tileRect({1025, 1027}, 4), Rect::fromSize(513, 515, 512, 514));
}

TEST(LayoutGeometry, RandomGeneratorAndPlacementRanges) {
    HeadlessHost host;
    SaverRandom random(host);
    random.setSeed(1);
    EXPECT_EQ(random.Random(100), 3);  // seed 134775814: 134775814 * 100 >> 32
    EXPECT_EQ(random.seed(), 134775814u);
    EXPECT_EQ(random.Random(0), 0);
    host.advance(7);  // 7,000,000 ns: the seed is the clock's low 32 bits
    random.Randomize();
    EXPECT_EQ(random.seed(), 7'000'000u);

    const Size screen{800, 600};
    int seenMaxX = 0, seenMaxY = 0;
    for (int i = 0; i < 2000; ++i) {
        host.advance(1);
        const Point fits = RandomPlacement(screen, 700, 500, random);
        ASSERT_TRUE(fits.x >= 0 && fits.x < 100 && fits.y >= 0 && fits.y < 100);
        const Point large = RandomPlacement(screen, 801, 601, random);
        ASSERT_TRUE(large.x >= 0 && large.x < 200 && large.y >= 0 && large.y < 150);
        seenMaxX = std::max(seenMaxX, large.x);
        seenMaxY = std::max(seenMaxY, large.y);
        EXPECT_EQ(RandomPlacement(screen, 800, 600, random), (Point{0, 0}));
        const Point fade = RandomPlacement(screen, 800, 600, random, true);
        ASSERT_TRUE(fade.x < 200 && fade.y < 150);
    }
    EXPECT_EQ(seenMaxX, 199);
    EXPECT_EQ(seenMaxY, 149);
    // Y is drawn first, then X, after one re-seeding.
    host.advance(1);
    SaverRandom replay(host);
    replay.Randomize();
    const int y = replay.Random(600 - 10), x = replay.Random(800 - 20);
    EXPECT_EQ(RandomPlacement(screen, 20, 10, random), (Point{x, y}));
}

TEST(Playlist, OrderTimingAndFallback) {
    SlideShow s;
    const std::string red = s.picture("red.bmp", 10, 10, clRed);
    const std::string lime = s.picture("lime.bmp", 10, 10, clLime);
    const std::string fake = s.dir / "fake.jpg";  // a bitmap named like a JPEG
    writeFile(fake, readFile(red));
    s.start({{"Picdis", "1"}, {"Time", "3000"}, {"Seq", "1"}}, {red, lime, fake});
    EXPECT_EQ(s.at(0, 0), clBlack);
    s.host.advance(999);
    s.loop.processMessages();
    // The first tick comes 1000 ms after the start.
    EXPECT_EQ(s.form.displayTimer().interval(), 1000u);
    // Mode 1 stretches each picture over the screen, but the fallback picture shows whole at its
    // own size, centred at (364, 268) on the black background, with a white frame.
    const std::vector<Color> expected = {clRed, clLime, clBlack, clRed, clLime};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        s.tick();
        EXPECT_EQ(s.form.displayTimer().interval(), 3000u);
        EXPECT_EQ(s.at(1, 1), expected[i]) << "tick " << i;
        EXPECT_EQ(s.at(365, 269), expected[i] == clBlack ? clWhite : expected[i]) << "tick " << i;
    }
    EXPECT_EQ(s.form.playlist().sequencePos(), 2);

    // A picture deleted while the show runs becomes the fallback picture; the show goes on.
    std::remove(red.c_str());
    s.tick();
    s.tick();
    EXPECT_EQ(s.at(365, 269), clWhite);
    EXPECT_EQ(s.at(363, 269), clBlack);
    EXPECT_TRUE(s.errors.empty());
}

// The saver decodes with its host's colour depth and the default budget: on an 8-bit screen a
// JPEG of 4096 colours comes out in at most 236; a 1 KB run-length bitmap of 16384 x 16384
// shows as the fallback picture (72 x 65).
TEST(Playlist, DecodesWithTheHostsDepthAndTheBudget) {
    for (const int depth : {8, 24}) {
        SCOPED_TRACE(depth);
        SlideShow s({800, 600}, depth);
        std::string ppm = "P6\n64 64\n255\n";
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) ppm += {char(x * 4), char(y * 4), char((x ^ y) * 4)};
        writeFile(s.dir / "colours.ppm", ppm);
        const std::string jpeg = s.dir / "colours.jpg";
        ASSERT_EQ(
            std::system(
                ("cjpeg -quality 100 -sample 1x1 " + s.dir / "colours.ppm > " + jpeg).c_str()),
            0);
        std::string rle(14 + 40 + 1024 + 2, '\0');  // RLE8, a palette, then end of bitmap
        const auto put32 = [&](std::size_t at, std::uint32_t v) {
            for (int i = 0; i < 4; ++i) rle[at + std::size_t(i)] = char(v >> (8 * i));
        };
        rle[0] = 'B', rle[1] = 'M', rle[26] = 1, rle[28] = 8, rle.back() = 1;
        put32(10, 14 + 40 + 1024), put32(14, 40), put32(18, 16384), put32(22, 16384);
        put32(30, 1);
        writeFile(s.dir / "huge.bmp", rle);
        s.start({{"Picdis", "1"}, {"Seq", "1"}}, {jpeg, s.dir / "huge.bmp"});

        const Picture first = s.form.show().nextPicture();
        const Bitmap& shown = first.bitmap();
        ASSERT_EQ(shown.width(), 64);
        std::set<Color> colours;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) colours.insert(shown.pixel(x, y));
        if (depth == 8)
            EXPECT_LE(colours.size(), 236u);
        else
            EXPECT_GT(colours.size(), 1000u);

        const Picture second = s.form.show().nextPicture();
        EXPECT_EQ(second.width(), 72);
        EXPECT_EQ(second.height(), 65);
    }
}

TEST(Playlist, EveryRandomPickIsReseededFromTheClock) {
    // Each pick: seed := low 32 bits of the clock in nanoseconds; seed := seed x 134775813 + 1;
    // pick := (seed x n) >> 32. Worked by hand for the clock at 1005 ms and 1012 ms, five pictures
    // and three sounds, the clock standing still between a picture's pick and its sound's.
    struct Pick {
        std::uint64_t atMs;
        int picture, sound;  // entries, counted from 1
    };
    SlideShow s;
    std::vector<std::string> pictures, sounds;
    for (int i = 1; i <= 5; ++i)  // entry i is i pixels wide
        pictures.push_back(s.picture(std::to_string(i) + ".bmp", i, 2, clRed));
    for (int i = 1; i <= 3; ++i) {
        sounds.push_back(s.dir / ("s" + std::to_string(i) + ".wav"));
        writeFile(sounds.back(), "x");
    }
    s.start({{"Picdis", "1"}, {"Seq", "0"}, {"Sound", "1"}, {"Time", "60000"}}, pictures, sounds);
    for (const Pick& p : {Pick{1005, 5, 3}, Pick{1012, 3, 2}}) {
        s.host.advance(p.atMs - s.host.nowMs());
        EXPECT_EQ(s.form.show().nextPicture().width(), p.picture) << p.atMs;
        EXPECT_EQ(s.form.sound().next(), sounds[std::size_t(p.sound - 1)]) << p.atMs;
        EXPECT_EQ(s.form.playlist().sequencePos(), 0);
    }
}

// With one screen a pick at random is the generator's own, draw for draw, in every mode: each
// pick re-seeds from the clock's nanoseconds (low 32 bits), then seed := seed x 134775813 + 1 and
// pick := (seed x n) >> 32. At a whole second k the seed comes to k x 1,244,525,056 + 1 (modulo
// 2^32), so five pictures at 1 s to 8 s give entries 2 3 5 1 3 4 1 2 (from 1). Then 300 ticks at
// uneven times in modes 1, 6 (whose placement draws after the pick) and 11 (whose first tick
// picks twice) against a model of the generator written here. A pick at random is decoded at its
// tick, so the decoder sees every pick, with the clock as it was.
TEST(Playlist, OneScreensPickAtRandomIsTheGeneratorsOwnDrawForDraw) {
    const auto model = [](std::uint64_t ns, int n) {
        const std::uint32_t seed = std::uint32_t(ns) * 134775813u + 1u;
        return int((std::uint64_t(seed) * std::uint64_t(n)) >> 32);
    };
    for (const int mode : {1, 6, 11}) {
        SCOPED_TRACE(mode);
        SlideShow s({64, 48});
        std::vector<std::pair<std::uint64_t, int>> picks;  // the clock and the entry, from 0
        s.form.setPictureDecoder([&](const PictureRequest& request) {
            picks.emplace_back(s.host.nowNs(), request.position);
            return loadRequestedPicture(request);
        });
        std::vector<std::string> pictures;
        for (int i = 1; i <= 5; ++i)
            pictures.push_back(s.picture(std::to_string(i) + ".bmp", 8, 8, rgb(40 * i, 0, 0)));
        s.start({{"Picdis", std::to_string(mode)}, {"Seq", "0"}, {"Sound", "0"}, {"Time", "1000"}},
                pictures);
        if (mode == 1) {
            for (int tick = 0; tick < 8; ++tick) s.runTick();
            std::vector<int> entries;
            for (const auto& pick : picks) entries.push_back(pick.second + 1);
            EXPECT_EQ(entries, (std::vector<int>{2, 3, 5, 1, 3, 4, 1, 2}));
            picks.clear();
        }
        std::mt19937 lateness{std::uint32_t(mode)};
        for (int tick = 0; tick < 300; ++tick) s.runTick(lateness() % 50);
        ASSERT_EQ(picks.size(), mode == 11 ? 301u : 300u);
        int differ = 0;
        for (const auto& [ns, entry] : picks) differ += entry != model(ns, 5);
        EXPECT_EQ(differ, 0);
    }
}

TEST(DisplayTick, ColourSetsCycleAndClearDirectDrawing) {
    struct Case {
        int set;
        std::vector<Color> perTick;  // ticks 1 to 22
    };
    const auto span = [](std::vector<Color>& v, int n, Color c) { v.insert(v.end(), n, c); };
    // The four colours of each set as TColor values: red + 256 x green + 65536 x blue.
    const Color sets[4][4] = {
        {0, 8421504, 12632256, 16777215},    // black, gray, silver, white
        {8388608, 0, 8388736, 128},          // navy, black, purple, maroon
        {32768, 16776960, 16711935, 65535},  // green, aqua, fuchsia, yellow
        {0, 0, 0, 0},                        // always black
    };
    std::vector<Case> cases;
    for (int set = 1; set <= 4; ++set) {
        const Color* c = sets[set - 1];
        Case k{set, {}};
        span(k.perTick, 4, c[0]);
        span(k.perTick, 5, c[1]);
        span(k.perTick, 5, c[2]);
        span(k.perTick, 7, c[3]);
        k.perTick.push_back(c[0]);
        cases.push_back(k);
    }
    for (const Case& c : cases) {
        SlideShow s;
        s.start({{"Picdis", "6"}, {"Color", std::to_string(c.set)}, {"Time", "100"}},
                {s.picture("p.bmp", 20, 20, clRed)});
        int erased = 0;
        for (std::size_t t = 0; t < c.perTick.size(); ++t) {
            // Pictures pile up until a change of colour repaints the window; one 20 x 20 picture
            // covers 5 x 5 points of a 4-pixel grid.
            const Color before = s.form.show().form().color();
            s.host.advance(t == 0 ? 1000 : 100);
            s.loop.processMessages();
            int red = 0;
            for (int y = 0; y < 600; y += 4)
                for (int x = 0; x < 800; x += 4) red += s.at(x, y) == clRed;
            s.loop.processMessages();
            EXPECT_EQ(s.form.show().form().color(), c.perTick[t])
                << "set " << c.set << " tick " << t + 1;
            int redAfter = 0;
            for (int y = 0; y < 600; y += 4)
                for (int x = 0; x < 800; x += 4) redAfter += s.at(x, y) == clRed;
            if (before != c.perTick[t]) {
                // The new colour has cleared the earlier pictures, then this tick's was drawn.
                ++erased;
                EXPECT_EQ(redAfter, 25) << "set " << c.set << " tick " << t + 1;
            }
            EXPECT_GT(red, 0);
            EXPECT_EQ(redAfter, red);  // every tick's picture stays on the screen
        }
        EXPECT_EQ(erased, c.set == 4 ? 0 : c.set == 1 ? 4 : 5) << c.set;  // 1 starts on black
        EXPECT_EQ(s.form.show().colourCount(), 1);
    }
}

// In the modes that draw on the window, a tick that changes the colour clears the screen with
// it before its picture is drawn, so the picture stays: after the tick and its frames no pixel of
// the old colour is left, and the red picture is there. With set 2 the colour changes at ticks
// 1 (black to navy), 5 (navy to black) and 10 (black to purple).
TEST(DisplayTick, AColourChangeClearsTheScreenBeforeTheTicksPicture) {
    for (const int mode : {6, 7, 8, 9, 10, 11}) {
        SlideShow s({160, 120});
        s.start({{"Picdis", std::to_string(mode)}, {"Color", "2"}, {"Time", "1000"}},
                {s.picture("p.bmp", 20, 20, clRed)});
        const auto count = [&s](Color colour) {
            int n = 0;
            for (int y = 0; y < 120; ++y)
                for (int x = 0; x < 160; ++x) n += s.at(x, y) == colour;
            return n;
        };
        Color before = clBlack;
        for (int tick = 1; tick <= 10; ++tick) {
            s.tick();
            const Color now = s.form.show().form().color();
            if (now == before) continue;
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", tick " << tick);
            EXPECT_EQ(count(before), 0);
            EXPECT_GT(count(clRed), 0);
            EXPECT_GT(count(now), 0);
            before = now;
        }
        EXPECT_EQ(before, clPurple) << mode;
    }
}

TEST(DisplayModes, StretchSizedAndCustom) {
    SlideShow one({640, 400});
    one.start({{"Picdis", "1"}}, {one.picture("a.bmp", 3, 2, clLime)});
    one.tick();
    EXPECT_EQ(one.at(0, 0), clLime);
    EXPECT_EQ(one.at(639, 399), clLime);

    SlideShow two({640, 400});
    two.start({{"Picdis", "2"}, {"Color", "2"}},
              {two.picture("b.bmp", 201, 100, clLime), two.picture("c.bmp", 700, 500, clRed)});
    two.tick();
    // 320 - 100.5 = 219.5 rounds to the even 220: columns 220 to 420, rows 150 to 249.
    EXPECT_EQ(two.at(219, 150), clNavy);
    EXPECT_EQ(two.at(220, 150), clLime);
    EXPECT_EQ(two.at(420, 249), clLime);
    EXPECT_EQ(two.at(421, 249), clNavy);
    EXPECT_EQ(two.at(420, 250), clNavy);
    EXPECT_EQ(two.at(220, 149), clNavy);
    two.tick();  // larger than the screen: centred, cut off on every side
    EXPECT_EQ(two.at(0, 0), clRed);
    EXPECT_EQ(two.at(639, 399), clRed);

    SlideShow five({640, 400});
    five.start({{"Picdis", "5"}, {"Width", "25"}, {"Height", "31"}},
               {five.picture("d.bmp", 300, 2, clLime)});
    five.tick();
    // 307.5 -> 308: columns 308 to 332, rows 184 to 214, the 2 rows stretched over 31.
    EXPECT_EQ(five.at(308, 214), clLime);
    EXPECT_EQ(five.at(332, 184), clLime);
    EXPECT_EQ(five.at(307, 184), clBlack);
    EXPECT_EQ(five.at(308, 215), clBlack);
    EXPECT_EQ(five.at(333, 184), clBlack);
}

TEST(DisplayModes, PictureInPictureKeepsThePreviousBehind) {
    SlideShow s({640, 400});
    s.start({{"Picdis", "3"}},
            {s.picture("a.bmp", 500, 300, clLime), s.picture("b.bmp", 40, 20, clRed)});
    s.tick();
    EXPECT_EQ(s.at(70, 50), clLime);    // centred at (70, 50)
    EXPECT_EQ(s.at(193, 129), clLime);  // nothing behind it yet
    s.tick();
    EXPECT_EQ(s.at(191, 127), clBlack);
    EXPECT_EQ(s.at(192, 128), clLime);  // the previous picture from (192, 128)
    EXPECT_EQ(s.at(639, 399), clLime);  // cut at the screen's edges
    EXPECT_EQ(s.at(300, 190), clRed);   // the new one in front, centred
    EXPECT_EQ(s.at(299, 189), clLime);
}

TEST(DisplayModes, TilesFillTheQuartersInOrder) {
    SlideShow s({101, 61});  // HW = Round(50.5) = 50, HH = Round(30.5) = 30
    const Color colours[] = {clRed, clLime, clBlue, clYellow, clAqua};
    std::vector<std::string> pictures;
    for (int i = 0; i < 5; ++i)
        pictures.push_back(s.picture(std::to_string(i) + ".bmp", 3, 3, colours[i]));
    s.start({{"Picdis", "4"}}, pictures);
    s.tick();
    EXPECT_EQ(s.at(0, 0), clRed);
    EXPECT_EQ(s.at(0, 40), clBlack);  // quarters not yet filled show the background
    s.tick();
    s.tick();
    s.tick();
    EXPECT_EQ(s.at(0, 0), clRed);
    EXPECT_EQ(s.at(49, 29), clRed);
    EXPECT_EQ(s.at(0, 31), clLime);
    EXPECT_EQ(s.at(51, 0), clBlue);
    EXPECT_EQ(s.at(100, 60), clYellow);
    for (int y = 0; y < 61; ++y) EXPECT_EQ(s.at(50, y), clBlack);  // the separating lines
    for (int x = 0; x < 101; ++x) EXPECT_EQ(s.at(x, 30), clBlack);
    s.tick();  // the fifth tick refills the top left, the sixth the bottom left
    EXPECT_EQ(s.at(0, 0), clAqua);
    EXPECT_EQ(s.at(0, 31), clLime);
    s.tick();
    EXPECT_EQ(s.at(0, 31), clRed);
    EXPECT_EQ(s.at(51, 0), clBlue);
}

TEST(DisplayModes, ATileCutAtTheScreensEdgeIsStretchedOverItsWholeQuarter) {
    // 100 wide: HW = 50, the top-right tile covers columns 51 to 100, the last one off the
    // screen. A 4 by 2 picture: tile column t shows picture column t x 4 / 50, rounded down, so
    // column 37 (screen x 88) still shows picture column 2, column 38 shows column 3.
    SlideShow s({100, 60});
    Bitmap checks(4, 2);
    const Color colours[2][4] = {{clRed, clLime, clBlue, clYellow},
                                 {clAqua, clFuchsia, clNavy, clWhite}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) checks.setPixel(x, y, colours[y][x]);
    s.start({{"Picdis", "4"}}, {s.picture("a.bmp", 3, 3, clGray), s.picture("b.bmp", 3, 3, clGray),
                                s.picture("checks.bmp", checks)});
    for (int i = 0; i < 3; ++i) s.tick();  // the third tick fills the top right
    EXPECT_EQ(s.at(51, 0), clRed);
    EXPECT_EQ(s.at(63, 14), clRed);
    EXPECT_EQ(s.at(64, 14), clLime);
    EXPECT_EQ(s.at(88, 15), clNavy);
    EXPECT_EQ(s.at(89, 15), clWhite);
    EXPECT_EQ(s.at(99, 29), clWhite);
    EXPECT_EQ(s.at(50, 0), clBlack);
}

TEST(DisplayModes, ADamagedPhotoShowsAsTheFallbackPictureOrIsSkippedAndTheShowGoesOn) {
    // A JPEG cut short fails only when decoded. Modes 1 to 5 and 8 show the fallback picture
    // (72 x 65, mostly white) in its place; 6, 7, 9 and 10 draw nothing for it. A file that
    // cannot be loaded at all shows as the fallback picture in every mode. No box either way,
    // and the next tick shows the next picture.
    struct Case {
        int mode;
        bool fallback;  // for the JPEG cut short
    };
    const Case cases[] = {{1, true}, {2, true},  {3, true},  {4, true},  {5, true},
                          {8, true}, {6, false}, {7, false}, {9, false}, {10, false}};
    for (const Case& c : cases)
        for (const bool loads : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "mode " << c.mode << (loads ? ", cut" : ", unloadable"));
            SlideShow s({320, 200});
            std::string bad = s.dir / "bad.bmp";
            if (loads)
                bad = s.brokenJpeg();
            else
                writeFile(bad, "BM not a bitmap");
            const std::string good = s.picture("good.bmp", 10, 10, clLime);
            s.start({{"Picdis", std::to_string(c.mode)},
                     {"Color", "4"},
                     {"Width", "72"},
                     {"Height", "65"},
                     {"Time", "500"}},
                    {bad, good});
            const auto count = [&s](Color colour) {
                int n = 0;
                for (int y = 0; y < 200; ++y)
                    for (int x = 0; x < 320; ++x) n += s.at(x, y) == colour;
                return n;
            };
            s.tick();
            EXPECT_TRUE(s.errors.empty());
            if (c.fallback || !loads)
                EXPECT_GE(count(clWhite), 2000);
            else
                EXPECT_EQ(count(clWhite), 0);
            s.tick();
            EXPECT_GT(count(clLime), 0);
            EXPECT_TRUE(s.errors.empty());
            EXPECT_TRUE(s.form.displayTimer().enabled());
        }
}

TEST(DisplayModes, HostileSizesAndDelaysNeitherCrashNorStopTheSaver) {
    for (const char* size : {"0", "-5", "100000", "2147483647", "-2147483648"}) {
        SlideShow s({64, 48});
        s.start({{"Picdis", "5"}, {"Width", size}, {"Height", size}, {"Time", "10"}},
                {s.picture("a.bmp", 1, 1, clLime)});
        s.tick();
        s.tick();
        EXPECT_TRUE(s.errors.empty()) << size;
        s.host.queueInput(keyEvent(true));
        s.loop.processMessages();
        EXPECT_TRUE(s.form.closed()) << size;
    }
    // A delay of 0 shows the first picture and stops; a negative one waits "for ever".
    for (const char* time : {"0", "-1"}) {
        SlideShow s({64, 48});
        s.start({{"Picdis", "1"}, {"Time", time}}, {s.picture("a.bmp", 1, 1, clLime)});
        s.tick();
        EXPECT_EQ(s.at(0, 0), clLime);
        const int count = s.form.show().colourCount();
        s.host.advance(3'600'000);
        s.loop.processMessages();
        EXPECT_EQ(s.form.show().colourCount(), count) << time;
    }
}

TEST(Playlist, AnOverLongStoredPathIsPassedOver) {
    SlideShow s;
    const std::string good = s.picture("good.bmp", 4, 4, clLime);
    const std::string tooLong = "/" + std::string(3000, 'x') + ".jpg";
    s.start({{"Picdis", "1"}, {"Sound", "1"}}, {tooLong, good}, {tooLong});
    EXPECT_EQ(s.form.playlist().pictures(), std::vector<std::string>{good});
    EXPECT_TRUE(s.form.sound().on());
    EXPECT_TRUE(s.form.displayTimer().enabled());
}

TEST(DisplayModes, OverlapPlacesAScreenWidePictureAtTheLeftEdge) {
    // A picture exactly as wide as the screen takes Random(SW - W) = Random(0) = 0 for its left
    // edge, never the random quarter of a wider picture: both screen edges show it, every tick.
    SlideShow s({400, 300});
    s.start({{"Picdis", "6"}, {"Color", "2"}, {"Time", "1000"}, {"Sound", "0"}},
            {s.picture("wide.bmp", 400, 50, clRed)});
    for (int t = 1; t <= 3; ++t) {
        s.runTick();
        int left = 0, right = 0;
        for (int y = 0; y < 300; ++y) {
            left += s.at(0, y) == clRed;
            right += s.at(399, y) == clRed;
        }
        EXPECT_GE(left, 50) << "tick " << t;
        EXPECT_GE(right, 50) << "tick " << t;
        s.loop.processMessages();
    }
}
