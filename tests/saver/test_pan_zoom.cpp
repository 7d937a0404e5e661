// Pan and zoom (mode 12): the motion as a function of time, the filtered drawing of a slow pan,
// and the mode in the saver: its cross-fade, its ticks, input, a damaged file and the frames'
// pace.
#include <gtest/gtest.h>

#include <cmath>

#include "FramingDraw.h"
#include "PanZoomMotion.h"
#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

constexpr std::uint64_t kMs = 1'000'000;

TEST(PanZoomMotion, TheFramingFollowsTheClockAndStandsAtThePathsEnd) {
    struct Case {
        Size picture, screen;
        PanZoomPath path;
        std::uint64_t spanMs, atMs;
        Framing expected;
    };
    // A wide picture zooming in to 1.25 while panning left to right (cover scale 0.5), and a
    // tall one zooming out from 1.2 while panning up and left (cover scale 0.8).
    const PanZoomPath in{1.0, 1.25, 0.0, 0.5, 1.0, 0.5};
    const PanZoomPath out{1.2, 1.0, 1.0, 0.0, 0.25, 1.0};
    const Case cases[] = {
        {{3000, 1000}, {1000, 500}, in, 10000, 0, {0, 0, 2000, 1000}},
        {{3000, 1000}, {1000, 500}, in, 10000, 2000, {219.0476, 23.8095, 1904.7619, 952.3810}},
        {{3000, 1000}, {1000, 500}, in, 10000, 5000, {611.1111, 55.5556, 1777.7778, 888.8889}},
        {{3000, 1000}, {1000, 500}, in, 10000, 10000, {1400, 100, 1600, 800}},
        {{3000, 1000}, {1000, 500}, in, 10000, 15000, {1400, 100, 1600, 800}},
        {{1000, 2000}, {800, 600}, out, 4000, 0, {166.6667, 0, 833.3333, 625}},
        {{1000, 2000}, {800, 600}, out, 4000, 1000, {105.9783, 336.9565, 869.5652, 652.1739}},
        {{1000, 2000}, {800, 600}, out, 4000, 4000, {0, 1250, 1000, 750}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.atMs);
        const Framing f = panZoomFraming(c.atMs * kMs, c.spanMs * kMs, c.picture, c.screen, c.path);
        EXPECT_NEAR(f.x, c.expected.x, 1e-3);
        EXPECT_NEAR(f.y, c.expected.y, 1e-3);
        EXPECT_NEAR(f.width, c.expected.width, 1e-3);
        EXPECT_NEAR(f.height, c.expected.height, 1e-3);
    }
}

// A sharp vertical edge (black left of column 150, white from it) under a pan of 20 pixels a
// second at zoom 1: at 30 frames a second its place on the screen moves 2/3 pixel left each
// frame. Its place is read from the blended columns: each white column counts 1, a blended one
// its share, so the edge lies at the screen's width less the white counted.
TEST(PanZoomDrawing, ASlowPanMovesASharpEdgeInSubPixelSteps) {
    const Size screen{200, 100};
    Bitmap picture(400, 100);
    picture.fillRect({150, 0, 400, 100}, clWhite);
    const PanZoomPath pan{1.0, 1.0, 0.0, 0.5, 1.0, 0.5};
    const auto edgeAt = [&](int frame) {
        Bitmap target(screen.width, screen.height);
        const std::uint64_t elapsed = std::uint64_t(frame) * 1'000'000'000 / 30;
        drawFraming(target, picture,
                    panZoomFraming(elapsed, 10'000 * kMs, {400, 100}, screen, pan));
        double white = 0;
        for (int x = 0; x < screen.width; ++x) white += redOf(target.pixel(x, 50)) / 255.0;
        return screen.width - white;
    };
    EXPECT_NEAR(edgeAt(0), 150.0, 0.1);
    double before = edgeAt(0);
    for (int frame = 1; frame <= 30; ++frame) {
        SCOPED_TRACE(frame);
        const double now = edgeAt(frame);
        EXPECT_NEAR(before - now, 2.0 / 3.0, 0.1);
        before = now;
    }
    EXPECT_NEAR(before, 130.0, 0.1);
}

// A saver in mode 12 on a 320 x 240 screen, its clock moved by hand: the first tick is due 1 s
// after the start, then one every Time ms.
struct PanZoomSaver : SlideShow {
    explicit PanZoomSaver(std::vector<ScreenInfo> screens = {{.area = {0, 0, 320, 240},
                                                              .primary = true}})
        : SlideShow(std::move(screens)) {}
    std::uint64_t startMs = 0;
    void begin(const std::map<std::string, std::string>& options,
               const std::vector<std::string>& pictures) {
        std::map<std::string, std::string> all = {{"Sound", "0"}, {"Seq", "1"}, {"Picdis", "12"}};
        all.insert(options.begin(), options.end());
        start(all, pictures);
        startMs = host.nowMs();
    }
    // Moves the clock to that many ms after the start and runs one pass of the loop.
    void runAt(std::uint64_t ms) {
        form.waitForPictureAhead();
        host.advance(startMs + ms - host.nowMs());
        loop.processMessages();
    }
};

TEST(PanZoom, TheCrossFadeStartsOnTheOldPictureAndEndsOnTheNewOneWhileTheTicksGoOn) {
    PanZoomSaver s;
    const Color red = rgb(200, 0, 0), blue = rgb(0, 0, 200);
    s.begin({{"Time", "3000"}, {"Color", "3"}},
            {s.picture("red.bmp", 64, 48, red), s.picture("blue.bmp", 48, 64, blue)});
    s.runAt(1000);  // the first tick: the first picture at once, no fade
    EXPECT_EQ(s.at(0, 0), red);
    EXPECT_EQ(s.at(319, 239), red);
    // The timer goes on while the picture moves: the next tick comes 3 s later.
    EXPECT_TRUE(s.form.displayTimer().enabled());
    EXPECT_TRUE(s.loop.animating());
    s.runAt(3999);
    EXPECT_EQ(s.at(160, 120), red);
    // The second tick draws the fade's first frame, the old picture alone, and puts nothing
    // else on the screen: the new background colour (the fifth tick's) is not painted over the
    // moving picture.
    s.form.show().setColourCount(4);
    const std::size_t presents = s.host.presented().size();
    s.runAt(4000);
    EXPECT_EQ(s.at(160, 120), red);
    EXPECT_EQ(s.host.presented().size(), presents + 1);
    s.runAt(4500);  // half way
    EXPECT_EQ(s.at(160, 120), rgb(100, 0, 100));
    s.runAt(5000);  // the fade over: the new picture alone, covering the screen
    EXPECT_EQ(s.at(0, 0), blue);
    EXPECT_EQ(s.at(160, 120), blue);
    EXPECT_EQ(s.at(319, 239), blue);
    // A tick every 3 s, the cross-fade included: the next fade is half way 500 ms after 7 s.
    s.runAt(7000);
    EXPECT_EQ(s.at(160, 120), blue);
    s.runAt(7500);
    EXPECT_EQ(s.at(160, 120), rgb(100, 0, 100));
    EXPECT_TRUE(s.errors.empty());
}

TEST(PanZoom, ADelayShorterThanTheCrossFadeShortensIt) {
    PanZoomSaver s;
    const Color red = rgb(200, 0, 0), blue = rgb(0, 0, 200);
    s.begin({{"Time", "400"}},
            {s.picture("red.bmp", 64, 48, red), s.picture("blue.bmp", 48, 64, blue)});
    s.runAt(1000);
    s.runAt(1400);  // the second tick
    s.runAt(1600);
    EXPECT_EQ(s.at(160, 120), rgb(100, 0, 100));
    s.runAt(1799);
    EXPECT_NE(s.at(160, 120), red);
    s.runAt(1800);  // the third tick: the fade from blue to red begins on blue
    EXPECT_EQ(s.at(160, 120), blue);
}

TEST(PanZoom, InputEndsTheSaverBeforeTheNextFrame) {
    PanZoomSaver s;
    s.begin({{"Time", "3000"}}, {s.picture("a.bmp", 640, 480, rgb(1, 2, 3))});
    s.runAt(1000);
    s.runAt(1100);
    ASSERT_TRUE(s.loop.animating());
    const std::size_t presents = s.host.presented().size();
    s.host.queueInput(keyEvent(true));
    s.runAt(1134);  // a frame is due, and the key came before it
    EXPECT_TRUE(s.form.closed());
    EXPECT_EQ(s.host.presented().size(), presents);
}

TEST(PanZoom, ADamagedFileIsTheCardCentredOnTheBackgroundStandingStill) {
    PanZoomSaver s;
    s.begin({{"Time", "3000"}, {"Color", "3"}}, {s.brokenJpeg()});
    s.runAt(1000);
    // The card at (124, 88) = (Round(160 - 36), Round(120 - 32.5)) on the set's green.
    EXPECT_EQ(s.at(0, 0), clGreen);
    EXPECT_EQ(s.at(123, 88), clGreen);
    EXPECT_EQ(s.at(124, 88), clWhite);
    EXPECT_EQ(s.at(195, 152), clWhite);
    EXPECT_EQ(s.at(196, 152), clGreen);
    EXPECT_FALSE(s.loop.animating());
}

TEST(PanZoom, FramesComeAboutThirtyASecondNeverFasterThanTheScreenAndALateOneSkipsAhead) {
    struct Case {
        double refreshHz;
        std::uint64_t intervalNs;
    };
    const Case cases[] = {{0, 33'333'333}, {60, 33'333'333}, {20, 50'000'000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refreshHz);
        PanZoomSaver s({{.area = {0, 0, 320, 240}, .primary = true, .refreshHz = c.refreshHz}});
        s.begin({{"Time", "3000"}}, {s.picture("a.bmp", 640, 480, rgb(1, 2, 3))});
        s.runAt(1000);
        const std::uint64_t tick = s.host.nowNs();
        EXPECT_EQ(s.form.show().nextFrameDue(), tick + c.intervalNs);
        // Drawn 2.5 intervals late: the next frame is the next slot of the same grid.
        s.host.advance(c.intervalNs * 7 / 2 / kMs);
        s.loop.processMessages();
        EXPECT_EQ(s.form.show().nextFrameDue(), tick + 4 * c.intervalNs);
    }
}

// With AllScreens each show has a picture of its own and moves it: a stripe pattern sampled at
// each show's framing changes on both screens between two frames.
TEST(PanZoom, EveryScreenHasItsOwnPictureAndItsOwnMotion) {
    PanZoomSaver s({{.id = 0, .area = {0, 0, 320, 240}, .primary = true},
                    {.id = 1, .area = {320, 0, 640, 240}}});
    const auto stripes = [](Color a, Color b) {
        Bitmap picture(640, 480);
        for (int x = 0; x < 640; x += 16) picture.fillRect({x, 0, x + 8, 480}, a);
        for (int x = 8; x < 640; x += 16) picture.fillRect({x, 0, x + 8, 480}, b);
        return picture;
    };
    s.begin({{"Time", "8000"}, {"AllScreens", "1"}}, {s.picture("a.bmp", stripes(clRed, clYellow)),
                                                      s.picture("b.bmp", stripes(clBlue, clAqua))});
    s.runAt(1000);
    ASSERT_EQ(s.host.windows().size(), 2u);
    // Red and yellow on the first screen, blue and aqua on the second.
    EXPECT_EQ(redOf(s.host.frame(0)->pixel(160, 120)), 255);
    EXPECT_EQ(blueOf(s.host.frame(1)->pixel(160, 120)), 255);
    const Bitmap first0 = *s.host.frame(0), first1 = *s.host.frame(1);
    s.runAt(5000);
    EXPECT_NE(*s.host.frame(0), first0);
    EXPECT_NE(*s.host.frame(1), first1);
}

// What is decoded, and when: Fit changes nothing, each picture no finer than the closest zoom
// needs (1.25 x the 320 x 240 screen), and as the cross-fade holds two pictures, the next is
// decoded ahead only once the older is let go.
TEST(PanZoom, EachPictureIsDecodedForTheClosestZoomAndAheadOnceTheCrossFadeLetsTheOlderGo) {
    PanZoomSaver s;
    std::vector<PictureRequest> asked;
    s.form.setPictureDecoder([&](const PictureRequest& request) {
        asked.push_back(request);
        return loadRequestedPicture(request);
    });
    const auto positions = [&] {
        std::vector<int> out;
        for (const PictureRequest& request : asked) out.push_back(request.position);
        return out;
    };
    s.begin({{"Time", "3000"}, {"Fit", "1"}},
            {s.picture("a.bmp", 2000, 1500, rgb(9, 8, 7)), s.picture("b.bmp", 64, 48, clLime),
             s.picture("c.bmp", 64, 48, clBlue)});
    s.runAt(1000);  // no fade at the first tick: the second picture is decoded ahead at once
    s.form.waitForPictureAhead();
    EXPECT_EQ(positions(), (std::vector<int>{0, 1}));
    EXPECT_EQ(s.at(0, 0), rgb(9, 8, 7));
    EXPECT_EQ(s.at(319, 239), rgb(9, 8, 7));
    s.runAt(4000);
    s.runAt(4900);
    EXPECT_EQ(positions(), (std::vector<int>{0, 1}));
    s.runAt(5100);
    s.form.waitForPictureAhead();
    EXPECT_EQ(positions(), (std::vector<int>{0, 1, 2}));
    s.runAt(7000);  // the third tick takes it, decoded ahead
    EXPECT_EQ(positions(), (std::vector<int>{0, 1, 2}));
    for (const PictureRequest& request : asked) {
        EXPECT_EQ(request.fitBox, Size{});
        EXPECT_EQ(request.options.cover, (Size{400, 300}));
    }
}

}  // namespace
}  // namespace quillo::test
