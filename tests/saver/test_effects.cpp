#include <gtest/gtest.h>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "LayoutGeometry.h"
#include "SaverWindow.h"
#include "Scale.h"
#include "SlideShowFixture.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

// A saver started in one display mode over the given pictures (and, when asked, a JPEG that
// fails when decoded after them), in list order, with colour set 4 (the background stays black)
// and a delay of 1000 ms.
struct EffectSaver : SlideShow {
    EffectSaver(Size screen, int picdis, const std::vector<Bitmap>& pictures, bool cutJpeg = false)
        : SlideShow(screen) {
        std::vector<std::string> files;
        for (const Bitmap& b : pictures)
            files.push_back(picture("p" + std::to_string(files.size() + 1) + ".bmp", b));
        if (cutJpeg) files.push_back(brokenJpeg());
        start({{"Sound", "0"}, {"Seq", "1"}, {"Time", "1000"}, {"Picdis", std::to_string(picdis)}},
              files);
    }
};

Bitmap pattern(int w, int h, int seed = 0) {
    Bitmap b(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) b.setPixel(x, y, rgb(x * 7 + seed, y * 5 + seed, x ^ y));
    return b;
}

Bitmap solid(Size s, Color c) {
    Bitmap b(s.width, s.height);
    b.fill(c);
    return b;
}

// A black screen with the picture drawn at (x, y), through the clip region when given.
Bitmap screenWith(Size screen, const Bitmap& picture, int x, int y, const Region* clip = nullptr) {
    Bitmap b(screen.width, screen.height);
    drawAt(b, x, y, picture, b.rect(), clip);
    return b;
}

}  // namespace

TEST(Slide, FrameCountAndLastFrameForEachEdge) {
    struct Case {
        Size screen, picture;
        int direction, frames;
        Rect last;  // the last frame drawn, beyond the screen where it runs off
    };
    const Case cases[] = {
        {{1366, 768}, {300, 200}, 1, 300, {-1, 0, 299, 200}},
        {{1366, 768}, {300, 200}, 2, 100, {1069, 0, 1369, 200}},
        {{1366, 768}, {300, 1000}, 3, 334, {0, -231, 300, 769}},  // taller than the screen
        {{800, 600}, {250, 170}, 4, 170, {0, -1, 250, 169}},
    };
    for (const Case& c : cases) {
        const Bitmap picture = pattern(c.picture.width, c.picture.height);
        EffectSaver s(c.screen, 7, {picture});
        std::uint64_t delay = 0;
        while (s.nextTickRandom(delay).Random(4) + 1 != c.direction) ++delay;
        const std::size_t before = s.host.presented().size();
        s.runTick(delay);
        // One present per step, of the picture's visible part; the first frame lies wholly
        // beyond the edge it enters from and shows nothing.
        EXPECT_EQ(s.host.presented().size() - before, std::size_t(c.frames - 1)) << c.direction;
        EXPECT_EQ(s.host.presented().back(),
                  c.last.intersected({0, 0, c.screen.width, c.screen.height}));
        EXPECT_TRUE(*s.host.frame() == screenWith(c.screen, picture, c.last.left, c.last.top))
            << c.direction;
        EXPECT_TRUE(s.form.displayTimer().enabled());
    }
}

TEST(RollDown, RowsLandOneBelowTheirIndexTenMillisecondsApart) {
    struct Case {
        Size screen, picture;
        Point origin;  // X0, Y0
        int rows;      // passes, each with its 10 ms pause
        int shown;     // rows that land on the screen, one present each
    };
    const Case cases[] = {
        {{1366, 768}, {400, 300}, {483, 234}, 300, 300},
        {{1366, 768}, {801, 100}, {283, 334}, 100, 100},  // each half rounded by itself
        {{640, 480}, {700, 500}, {0, 0}, 480, 479},       // larger: rows below the screen end it
    };
    for (const Case& c : cases) {
        const Bitmap picture = pattern(c.picture.width, c.picture.height, 3);
        EffectSaver s(c.screen, 8, {picture});
        const std::size_t before = s.host.presented().size();
        const std::uint64_t start = s.host.nowMs() + 1000;
        s.runTick();
        EXPECT_EQ(s.host.nowMs() - start, std::uint64_t(c.rows) * 10);
        const std::vector<Rect>& p = s.host.presented();
        ASSERT_EQ(p.size() - before, std::size_t(c.shown));
        const int visibleWidth = std::min(c.picture.width, c.screen.width - c.origin.x);
        EXPECT_EQ(p[before], Rect::fromSize(c.origin.x, c.origin.y + 1, visibleWidth, 1));
        EXPECT_EQ(p.back(), Rect::fromSize(c.origin.x, c.origin.y + c.shown, visibleWidth, 1));
        EXPECT_TRUE(*s.host.frame() == screenWith(c.screen, picture, c.origin.x, c.origin.y + 1));
        EXPECT_TRUE(s.form.displayTimer().enabled());
    }
}

TEST(Effects, InputEndsAnAnimationAtItsNextStepAndNothingIsDrawnAfter) {
    // A slide, a roll-down or a fade ends on a key, a button, a move of more than 55 pixels (the
    // pointer stood at 100, 100) or a request to end, before its next frame.
    const Event key = keyEvent(true),
                button = pointerEvent(EventKind::ButtonDown, {100, 100}, MouseButton::Left),
                move = pointerEvent(EventKind::Move, {160, 100}), end = terminateEvent();
    struct Case {
        int mode;
        Event input;
    };
    const Case cases[] = {{7, key},   {7, end},  {8, key},
                          {8, end},   {11, key}, {11, button},
                          {11, move}, {11, end}, {11, keyEvent(false)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << " " << int(c.input.kind));
        EffectSaver s({800, 600}, c.mode, {pattern(300, 300), pattern(200, 200)});
        std::size_t presentsAtInput = 0;
        const int inputAt = s.host.pumps + 10;
        s.host.onPump = [&] {
            if (s.host.pumps != inputAt) return;
            s.host.queueInput(c.input);
            presentsAtInput = s.host.presented().size();
        };
        s.runTick();
        EXPECT_TRUE(s.form.closed());
        EXPECT_EQ(s.host.pumps, inputAt);
        EXPECT_EQ(s.host.presented().size(), presentsAtInput);
        EXPECT_FALSE(s.form.displayTimer().enabled());
        EXPECT_FALSE(s.loop.animating());
    }
}

// A mode whose every third frame fails.
struct FailingFrames : DisplayMode {
    int frames = 0;
    FrameDue begin(std::uint64_t nowNs) override { return nowNs + 10'000'000; }
    FrameDue advance(std::uint64_t nowNs) override {
        if (++frames % 3 == 0) throw std::runtime_error("frame lost");
        return nowNs + 10'000'000;
    }
};

TEST(Effects, AFailingFrameIsReportedAndTheNextTickComesTheDelayAfter) {
    EffectSaver s({320, 240}, 11, {pattern(100, 100)});
    auto mode = std::make_unique<FailingFrames>();
    const FailingFrames& frames = *mode;
    s.form.show().setMode(std::move(mode));
    s.runTick();
    EXPECT_EQ(frames.frames, 3);
    EXPECT_EQ(s.errors, std::vector<std::string>{"frame lost"});
    EXPECT_FALSE(s.loop.animating());
    EXPECT_TRUE(s.form.displayTimer().enabled());
    const std::uint64_t failedAt = s.host.nowMs();
    s.runTick();
    EXPECT_EQ(s.host.nowMs(), failedAt + 1000 + 30);  // the delay, then three frames again
    EXPECT_EQ(frames.frames, 6);
    EXPECT_EQ(s.errors.size(), 2u);
}

TEST(ClippedPicture, RoundedCornersAndEllipseAtARandomPlace) {
    struct Case {
        int mode;
        Size picture;
        Size corner;  // mode 9: a fifth of the picture, rounded
    };
    const Case cases[] = {
        {9, {500, 300}, {100, 60}},
        {10, {500, 300}, {}},
        {9, {1000, 640}, {200, 128}},  // larger than the screen: placed in the first quarter
        {10, {1, 1}, {}},
    };
    const Size screen{800, 600};
    for (const Case& c : cases) {
        const Bitmap picture = pattern(c.picture.width, c.picture.height, 5);
        EffectSaver s(screen, c.mode, {picture});
        SaverRandom random = s.nextTickRandom();
        const Point at = RandomPlacement(screen, c.picture.width, c.picture.height, random);
        s.runTick();
        const Rect r = Rect::fromSize(at.x, at.y, c.picture.width, c.picture.height);
        const Region clip = c.mode == 10 ? Region::ellipse(r)
                                         : Region::roundRect(r, c.corner.width, c.corner.height);
        EXPECT_TRUE(*s.host.frame() == screenWith(screen, picture, at.x, at.y, &clip))
            << c.mode << " " << c.picture.width;
    }
}

TEST(Fade, FramesRunFromTheOldPictureToTheNewOneAndTheSoundNoticeWaits) {
    const Size screen{320, 240};
    SlideShow s(screen);
    const std::string sound = s.dir / "a.wav";
    writeFile(sound, "sound");
    s.start({{"Sound", "1"}, {"Seq", "1"}, {"Time", "1000"}, {"Picdis", "11"}},
            {s.picture("old.bmp", solid(screen, rgb(200, 0, 255))),
             s.picture("new.bmp", solid(screen, rgb(100, 255, 0)))},
            {sound});
    // The centre pixel at every pass of the loop: the tick's own pass and the one after the
    // pause before frame 0 come first, so pass K + 2 shows frame K. The sound file ends in the
    // middle of the fade.
    std::vector<Color> seen;
    s.host.onPump = [&] {
        seen.push_back(s.host.frame()->pixel(160, 120));
        if (seen.size() == 50) s.player.finish();
    };
    const std::uint64_t start = s.host.nowMs() + 1000;
    s.runTick();
    EXPECT_EQ(s.host.nowMs() - start, 4040u);
    ASSERT_EQ(seen.size(), 102u);
    EXPECT_EQ(seen[2], rgb(200, 0, 255));  // frame 0: exactly the old picture
    EXPECT_EQ(seen[3], rgb(198, 2, 252));  // F = 3
    EXPECT_EQ(seen[52], rgb(150, 127, 127));
    EXPECT_EQ(seen[101], rgb(101, 252, 2));  // F = 253
    EXPECT_EQ(s.host.frame()->pixel(160, 120), rgb(100, 255, 0));
    EXPECT_TRUE(s.form.displayTimer().enabled());
    // The notice came during the fade: it is handled after the last frame, and the next tick
    // starts the next file.
    const std::vector<std::string> played = {"open " + sound, "play"};
    EXPECT_EQ(s.player.log, played);
    s.loop.processMessages();
    EXPECT_EQ(s.player.log, (std::vector<std::string>{"open " + sound, "play", "stop"}));
    EXPECT_FALSE(s.form.closed());
}

TEST(Fade, ALateFrameDelaysTheRestOfTheFade) {
    // Each frame comes 40 ms after the one before was drawn, so a frame drawn late does not let
    // the next ones catch up: the fade ends as late as its late frames were, and no frame is
    // skipped.
    struct Case {
        // Passes of the loop (pass K + 2 draws frame K) that take so many ms before drawing.
        std::vector<std::pair<int, std::uint64_t>> lateBy;
        std::uint64_t lasts;  // ms from the tick to the last frame
    };
    const Case cases[] = {
        {{}, 4040},
        {{{40, 100}}, 4140},
        {{{3, 25}, {60, 15}}, 4080},
        {{{101, 1000}}, 5040},  // frame 99, the last but one
    };
    const Size screen{320, 240};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lasts);
        EffectSaver s(screen, 11, {pattern(320, 240, 1), pattern(320, 240, 2)});
        int passes = 0;
        s.host.onPump = [&] {
            ++passes;
            for (const auto& [pass, ms] : c.lateBy)
                if (pass == passes) s.host.advance(ms);
        };
        const std::uint64_t start = s.host.nowMs() + 1000;
        s.runTick();
        EXPECT_EQ(s.host.nowMs() - start, c.lasts);
        EXPECT_EQ(passes, 102);
    }
}

TEST(Fade, LaterTicksTakeOnePictureAndFramesAreTheCommonTopLeftArea) {
    const Size screen{1024, 768};
    const Bitmap a = pattern(800, 600, 1), b = pattern(640, 480, 2), c = pattern(1024, 768, 3);
    EffectSaver s(screen, 11, {a, b, c});
    int passes = 0;
    Bitmap frame0;  // on the screen at the third pass of the tick
    s.host.onPump = [&] {
        if (++passes == 3) frame0 = *s.host.frame();
    };
    for (int tick = 0; tick < 3; ++tick) {
        passes = 0;
        const std::size_t before = s.host.presented().size();
        s.runTick();
        ASSERT_EQ(passes, 102);  // the tick's, then one a frame
        // Every frame is the common area at one place: a to b is 640 x 480 anywhere on the
        // screen; b to c, from b's place; c, as large as the screen, is placed in the first
        // quarter and fades to a again, 800 x 600.
        const Rect at = s.host.presented()[before];
        const Bitmap& from = tick == 0 ? a : tick == 1 ? b : c;
        const Size common = tick < 2 ? Size{640, 480} : Size{800, 600};
        const Size size{std::min(common.width, 1024 - at.left),
                        std::min(common.height, 768 - at.top)};
        EXPECT_EQ(at, Rect::fromSize(at.left, at.top, size.width, size.height));
        EXPECT_EQ(s.host.presented().back(), at);
        if (tick == 2) {
            EXPECT_TRUE(at.left < 256 && at.top < 192 && at.left + at.top > 0);
        }
        const Point corner{at.left + size.width - 1, at.top + size.height - 1};
        EXPECT_EQ(frame0.pixel(corner.x, corner.y), from.pixel(size.width - 1, size.height - 1));
    }
    EXPECT_TRUE(s.errors.empty());
}

TEST(Fade, ADamagedPhotoFadesInAndOutAsTheCardCentredOnTheBackground) {
    // Both fades cover what the screen-sized photos cover: the cut JPEG comes as a picture of
    // the screen's size, the card at (124, 88) = (Round(160 - 36), Round(120 - 32.5)) on the
    // green of colour set 3, so the photo before it is seen whole and so is the card.
    const Size screen{320, 240};
    SlideShow s(screen);
    const Color before = rgb(200, 0, 255), after = rgb(100, 255, 0);
    s.start({{"Sound", "0"}, {"Seq", "1"}, {"Time", "1000"}, {"Color", "3"}, {"Picdis", "11"}},
            {s.picture("before.bmp", solid(screen, before)), s.brokenJpeg(),
             s.picture("after.bmp", solid(screen, after))});
    int passes = 0;
    Bitmap frame0;
    s.host.onPump = [&] {
        if (++passes == 3) frame0 = *s.host.frame();
    };
    for (int tick = 0; tick < 2; ++tick) {
        SCOPED_TRACE(tick);
        passes = 0;
        const std::size_t presents = s.host.presented().size();
        s.runTick();
        // Placed in the first quarter, as a picture as large as the screen is; the first tick
        // repaints the screen green before its frames.
        const Rect at = s.host.presented().back();
        EXPECT_EQ(s.host.presented().size() - presents, tick == 0 ? 102u : 101u);
        EXPECT_EQ(at, (Rect{at.left, at.top, 320, 240}));
        EXPECT_TRUE(at.left < 80 && at.top < 60);
        const Point card{at.left + 124, at.top + 88};
        // The first fade starts on the photo and ends on the card; the second the other way.
        const Bitmap& from = frame0;
        const Bitmap& to = *s.host.frame();
        const Bitmap& withCard = tick == 0 ? to : from;
        EXPECT_EQ((tick == 0 ? from : to).pixel(card.x, card.y), tick == 0 ? before : after);
        EXPECT_EQ(withCard.pixel(at.left, at.top), clGreen);
        EXPECT_EQ(withCard.pixel(card.x - 1, card.y), clGreen);
        EXPECT_EQ(withCard.pixel(card.x, card.y), clWhite);
        EXPECT_EQ(withCard.pixel(card.x + 71, card.y + 64), clWhite);
        EXPECT_EQ(withCard.pixel(card.x + 72, card.y + 64), clGreen);
        EXPECT_EQ(withCard.pixel(319, 239), clGreen);
    }
    EXPECT_TRUE(s.errors.empty());
}

TEST(Fade, AScreenChangedMidFadeIsFollowedAtOnceAndTheNextFadeShowsPictures) {
    // The screen grows in the middle of the first fade: the change is not held back as the sound's
    // notice is, the fade ends there, and the next tick fades between two pictures taken anew
    // (the third and the fourth) rather than from nothing.
    const ScreenInfo small{.id = 1, .area = Rect::fromSize(0, 0, 320, 240), .primary = true};
    SlideShow s(std::vector<ScreenInfo>{small});
    std::vector<std::string> files;
    for (const Color c : {clRed, clLime, clBlue, clYellow})
        files.push_back(s.picture(std::to_string(files.size()) + ".bmp", solid({400, 300}, c)));
    s.start({{"Sound", "0"}, {"Seq", "1"}, {"Time", "1000"}, {"Color", "4"}, {"Picdis", "11"}},
            files);
    int passes = 0;
    s.host.onPump = [&] {
        if (++passes == 30)
            s.host.setScreens({{.id = 1, .area = {0, 0, 400, 300}, .primary = true}});
    };
    s.runTick();
    EXPECT_EQ(s.form.show().screen(), (Size{400, 300}));
    EXPECT_EQ(passes, 30);  // no frame after the pass that saw the change
    EXPECT_TRUE(s.form.displayTimer().enabled());
    s.host.onPump = nullptr;
    s.runTick();
    // Placed in the first quarter of the new screen and cut at its edges: yellow at its corner.
    EXPECT_EQ(s.at(399, 299), clYellow);
    EXPECT_EQ(s.form.playlist().sequencePos(), 4);
}

TEST(Fade, PicturesLargerThanTheScreenShowTheirTopLeftAsFarAsTheScreenReaches) {
    const Size screen{200, 150};
    const Bitmap a = pattern(300, 200, 1), b = pattern(260, 250, 2), c = pattern(150, 400, 3);
    EffectSaver s(screen, 11, {a, b, c});
    Bitmap frame0;
    int passes = 0;
    s.host.onPump = [&] {
        if (++passes == 3) frame0 = *s.host.frame();
    };
    for (int tick = 0; tick < 2; ++tick) {
        passes = 0;
        const std::size_t before = s.host.presented().size();
        s.runTick();
        // Placed in the first quarter (X below 50, Y below Round(37.5) = 38), cut at the
        // screen's right and bottom edges; the second fade's common area is 150 wide.
        const Rect at = s.host.presented()[before];
        const Bitmap& from = tick == 0 ? a : b;
        const Bitmap& to = tick == 0 ? b : c;
        EXPECT_LT(at.left, 50);
        EXPECT_LT(at.top, 38);
        EXPECT_EQ(at.right, tick == 0 ? 200 : std::min(200, at.left + 150));
        EXPECT_EQ(at.bottom, 150);
        const Point last{at.right - 1, 149};
        EXPECT_EQ(frame0.pixel(at.left, at.top), from.pixel(0, 0));
        EXPECT_EQ(frame0.pixel(last.x, last.y), from.pixel(last.x - at.left, last.y - at.top));
        EXPECT_EQ(s.at(last.x, last.y), to.pixel(last.x - at.left, last.y - at.top));
    }
    EXPECT_TRUE(s.errors.empty());
}

TEST(Fade, AFailureDuringTheFadeIsReportedAndTheDisplayGoesOn) {
    EffectSaver s({320, 240}, 11, {pattern(100, 100)});
    int passes = 0;
    s.host.onPump = [&] {
        if (++passes == 30) throw std::runtime_error("input lost");
    };
    const std::uint64_t first = s.host.nowMs() + 1000;
    s.runTick();
    EXPECT_EQ(s.host.nowMs() - first, 4040u);
    EXPECT_EQ(s.errors, std::vector<std::string>{"input lost"});
    EXPECT_TRUE(s.form.displayTimer().enabled());
    const std::uint64_t start = s.host.nowMs() + 1000;
    s.runTick();
    EXPECT_EQ(s.host.nowMs() - start, 4040u);
}

TEST(Effects, TheNextTickComesTheDelayAfterASlideOrAFadeEnds) {
    // Slides and fades keep the timer off while they run: no tick starts inside them, and the
    // next one comes Time after the animation's end. With Time 2000 a fade cycle lasts 6.04 s:
    // 4.04 s of fading, then 2 s.
    for (const int mode : {7, 11}) {
        SCOPED_TRACE(mode);
        const Size screen{320, 240};
        SlideShow s(screen);
        s.start({{"Sound", "0"},
                 {"Seq", "1"},
                 {"Time", "2000"},
                 {"Color", "4"},
                 {"Picdis", std::to_string(mode)}},
                {s.picture("a.bmp", 300, 200, clRed), s.picture("b.bmp", 300, 200, clLime)});
        // A slide takes no time of its own on this host: let each of its steps take 10 ms.
        int ticksInside = 0;
        s.host.onPump = [&] {
            if (mode == 7) s.host.advance(10);
            ticksInside += s.form.show().colourCount() > 1;
        };
        s.host.advance(1000);
        s.loop.processMessages();  // the first tick, which begins the animation
        s.runFrames();
        ASSERT_EQ(s.form.show().colourCount(), 1);
        EXPECT_EQ(ticksInside, 0);
        if (mode == 11) {
            EXPECT_EQ(s.host.nowMs(), 5040u);
        }
        s.host.onPump = nullptr;
        s.host.advance(1999);
        s.loop.processMessages();
        EXPECT_EQ(s.form.show().colourCount(), 1)
            << "a tick before the delay had passed since the end";
        s.host.advance(1);
        s.loop.processMessages();
        EXPECT_EQ(s.form.show().colourCount(), 2) << "no tick the delay after the end";
    }
}
