// A show on every screen: one per screen, in the order of their left, then top, edges, taking
// their pictures in that order at each tick; a screen inside another (or mirroring it) shown by
// that one's show; screens that come and go while the saver runs.
#include <gtest/gtest.h>

#include <set>

#include "SlideShowFixture.h"

using namespace quillo;
using namespace quillo::test;

namespace {

ScreenInfo screen(int id, Rect area, bool primary = false, double scale = 1.0) {
    return {.id = id, .area = area, .scale = scale, .primary = primary};
}

// Pictures 1 to n, each 10 x 10 in a colour of its own (red 10 x its number).
struct Screens : SlideShow {
    explicit Screens(std::vector<ScreenInfo> screens) : SlideShow(std::move(screens)) {}

    void startWith(int pictures, std::map<std::string, std::string> options) {
        std::vector<std::string> files;
        for (int n = 1; n <= pictures; ++n)
            files.push_back(picture(std::to_string(n) + ".bmp", 10, 10, rgb(10 * n, 0, 0)));
        options.insert({{"Sound", "0"}, {"Time", "1000"}, {"Color", "4"}, {"AllScreens", "1"}});
        start(options, files);
    }
    // The picture a show has on its screen: the number whose colour most of its pixels have. A
    // fade draws straight onto the window, so the last fade's picture may stay in part beside
    // the new one, which is whole: on a tie the later number is the new one.
    int shown(int show) {
        const Bitmap& f = form.show(show).form().framebuffer();
        std::map<int, int> counts;
        for (int y = 0; y < f.height(); ++y)
            for (int x = 0; x < f.width(); ++x) {
                const Color c = f.pixel(x, y);
                if (c != clBlack && greenOf(c) == 0 && redOf(c) % 10 == 0) ++counts[redOf(c) / 10];
            }
        int best = 0;
        for (const auto& [n, count] : counts)
            if (!best || count >= counts[best]) best = n;
        return best;
    }
    std::vector<int> tickShows() {
        tick();
        std::vector<int> out;
        for (int i = 0; i < form.showCount(); ++i) out.push_back(shown(i));
        return out;
    }
    // After a tick: the picture each screen that has a show shows, by the screen's id.
    std::map<int, int> tickScreens() {
        tick();
        std::map<int, int> out;
        for (int i = 0; i < form.showCount(); ++i) out[form.show(i).screenInfo().id] = shown(i);
        return out;
    }
    // The screens the host has an open window of ours on.
    std::set<int> windowScreens() const {
        std::set<int> out;
        for (const auto& w : host.windows())
            if (w.open) out.insert(w.screen);
        return out;
    }
};

const Rect kLeft = Rect::fromSize(0, 0, 100, 80);
const Rect kBelowLeft = Rect::fromSize(0, 80, 100, 80);
const Rect kRight = Rect::fromSize(100, 0, 120, 90);

}  // namespace

TEST(Screens, PicturesAreDealtInScreenOrderAtEachTick) {
    using Ticks = std::vector<std::vector<int>>;
    struct Case {
        std::vector<ScreenInfo> screens;
        int mode;
        Ticks expected;
    };
    // Listed out of order: the right-hand screen is the primary.
    const Case cases[] = {
        {{screen(0, kLeft, true)}, 2, {{1}, {2}, {3}, {4}}},
        {{screen(0, kRight, true), screen(1, kLeft)}, 2, {{1, 2}, {3, 4}, {5, 6}, {7, 8}}},
        {{screen(0, kRight, true), screen(1, kBelowLeft), screen(2, kLeft)},
         2,
         {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}, {10, 1, 2}}},
        // The fade's first tick takes two pictures on each screen: 1 to 2 and 3 to 4.
        {{screen(0, kRight, true), screen(1, kLeft)}, 11, {{2, 4}, {5, 6}, {7, 8}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screens.size() << " screens, mode " << c.mode);
        Screens s(c.screens);
        s.startWith(10, {{"Seq", "1"}, {"Picdis", std::to_string(c.mode)}});
        ASSERT_EQ(s.form.showCount(), int(c.screens.size()));
        for (const Ticks::value_type& tick : c.expected) EXPECT_EQ(s.tickShows(), tick);
    }
}

TEST(Screens, EachScreenShowsThePictureOfItsPlaceAndOneInsideAnotherIsShownByThatOne) {
    const Rect inner = Rect::fromSize(10, 10, 50, 40);  // inside kLeft
    const Rect both = Rect::fromSize(0, 0, 220, 160);   // around kLeft and kRight
    const struct {
        const char* what;
        std::vector<ScreenInfo> screens;
        bool allScreens;
        std::map<int, int> pictures;  // the first tick's picture, by screen id
    } cases[] = {
        {"by the left edge, then the top",
         {screen(0, kRight, true), screen(1, kBelowLeft), screen(2, kLeft)},
         true,
         {{2, 1}, {1, 2}, {0, 3}}},
        {"mirrored: the primary's show",
         {screen(0, kLeft), screen(1, kLeft, true), screen(2, kRight)},
         true,
         {{1, 1}, {2, 2}}},
        {"mirrored, neither the primary: the lower id's show",
         {screen(4, kLeft), screen(3, kLeft), screen(2, kRight, true)},
         true,
         {{3, 1}, {2, 2}}},
        {"the primary inside another",
         {screen(0, inner, true), screen(1, kLeft), screen(2, kRight)},
         true,
         {{1, 1}, {2, 2}}},
        {"two inside a third",
         {screen(0, kLeft, true), screen(1, kRight), screen(5, both)},
         true,
         {{5, 1}}},
        {"one show, mirrored",
         {screen(0, kLeft, true), screen(1, kLeft), screen(2, kRight)},
         false,
         {{0, 1}}},
        {"one show, the primary inside another",
         {screen(0, inner, true), screen(1, kLeft), screen(2, kRight)},
         false,
         {{1, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Screens s(c.screens);
        s.startWith(10, {{"Seq", "1"}, {"Picdis", "2"}, {"AllScreens", c.allScreens ? "1" : "0"}});
        EXPECT_EQ(s.tickScreens(), c.pictures);
        std::set<int> showing;
        for (const auto& [id, picture] : c.pictures) showing.insert(id);
        EXPECT_EQ(s.windowScreens(), showing);
    }
}

TEST(Screens, TheFirstScreenUnpluggedAndPluggedInAgainLeavesNoScreenWithoutAShow) {
    // Unplugging the screen that holds the output makes the server add one spanning the desk;
    // plugging it in again takes that one away, and leaves no screen marked primary.
    const Rect desk = Rect::fromSize(0, 0, 220, 90);
    for (const bool all : {true, false}) {
        SCOPED_TRACE(all ? "AllScreens" : "one show");
        Screens s({screen(0, kLeft, true), screen(1, kRight)});
        s.startWith(10, {{"Seq", "1"}, {"Picdis", "2"}, {"AllScreens", all ? "1" : "0"}});
        EXPECT_EQ(s.tickScreens(),
                  all ? (std::map<int, int>{{0, 1}, {1, 2}}) : (std::map<int, int>{{0, 1}}));

        s.host.setScreens({screen(1, kRight), screen(2, desk, true)});
        s.loop.processMessages();
        EXPECT_EQ(s.windowScreens(), std::set<int>{2});
        EXPECT_EQ(s.form.show(0).screen(), (Size{220, 90}));
        EXPECT_EQ(s.tickScreens(),
                  all ? (std::map<int, int>{{2, 3}}) : (std::map<int, int>{{2, 2}}));

        s.host.setScreens({screen(1, kRight), screen(3, kLeft)});
        s.loop.processMessages();
        EXPECT_EQ(s.windowScreens(), all ? (std::set<int>{1, 3}) : (std::set<int>{1}));
        EXPECT_EQ(s.tickScreens(),
                  all ? (std::map<int, int>{{3, 4}, {1, 5}}) : (std::map<int, int>{{1, 3}}));
        EXPECT_TRUE(s.form.displayTimer().enabled());
        EXPECT_FALSE(s.form.closed());
    }
}

TEST(Screens, AtRandomNoScreenShowsAPictureAnotherShowsInTheSameTick) {
    for (const char* shuffle : {"0", "1"}) {
        SCOPED_TRACE(testing::Message() << "Shuffle=" << shuffle);
        Screens s({screen(0, kLeft, true), screen(1, kRight), screen(2, kBelowLeft)});
        s.startWith(4, {{"Seq", "0"}, {"Picdis", "1"}, {"Shuffle", shuffle}});
        int repeats = 0;
        for (int tick = 0; tick < 1000; ++tick) {
            const std::vector<int> shown = s.tickShows();
            repeats += shown[0] == shown[1] || shown[0] == shown[2] || shown[1] == shown[2] ||
                       shown[0] == 0;
            s.host.advance(std::uint64_t(tick % 7));  // another clock at each tick
        }
        EXPECT_EQ(repeats, 0);
    }
}

TEST(Screens, EachShowCoversItsScreenInDevicePixelsAndFollowsTheScreensThatComeAndGo) {
    // A scaled screen left of the primary: its show is as large as its device pixels.
    Screens s({screen(3, Rect::fromSize(-2560, 0, 2560, 1440), false, 2.0),
               screen(5, Rect::fromSize(0, 0, 160, 120), true)});
    s.startWith(3, {{"Seq", "1"}, {"Picdis", "2"}});
    ASSERT_EQ(s.form.showCount(), 2);
    EXPECT_EQ(s.form.show(0).screen(), (Size{2560, 1440}));
    EXPECT_EQ(s.form.show(1).screen(), (Size{160, 120}));
    const auto& windows = s.host.windows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].screen, 5);  // the start covers the primary first
    EXPECT_EQ(windows[1].screen, 3);
    EXPECT_EQ(s.tickShows(), (std::vector<int>{1, 2}));

    // The scaled screen goes in the middle of the show: its window closes, the other goes on.
    s.host.setScreens({screen(5, Rect::fromSize(0, 0, 160, 120), true)});
    s.loop.processMessages();
    EXPECT_EQ(s.form.showCount(), 1);
    EXPECT_FALSE(windows[1].open);
    EXPECT_EQ(s.tickShows(), (std::vector<int>{3}));

    // A new screen right of it gets a show of its own, which takes its picture after the first.
    s.host.setScreens({screen(5, Rect::fromSize(0, 0, 160, 120), true),
                       screen(6, Rect::fromSize(160, 0, 90, 60))});
    s.loop.processMessages();
    ASSERT_EQ(s.form.showCount(), 2);
    EXPECT_EQ(s.host.windows().back().screen, 6);
    EXPECT_EQ(s.form.show(1).screen(), (Size{90, 60}));
    EXPECT_EQ(s.form.show(1).colourCount(), s.form.show(0).colourCount());
    EXPECT_EQ(s.tickShows(), (std::vector<int>{1, 2}));
    EXPECT_FALSE(s.form.closed());
    EXPECT_TRUE(s.form.displayTimer().enabled());

    // Input on the new screen, past the start position by more than 55 pixels, ends the saver.
    s.host.queueInput(pointerEvent(EventKind::Move, {200, 30}));
    s.loop.processMessages();
    EXPECT_TRUE(s.form.closed());
    EXPECT_EQ(s.host.openWindowCount(), 0);
}

TEST(Screens, WithoutAllScreensTheOneShowFollowsThePrimaryScreen) {
    Screens s({screen(0, kLeft, true), screen(1, kRight)});
    s.startWith(2, {{"Seq", "1"}, {"Picdis", "2"}, {"AllScreens", "0"}});
    ASSERT_EQ(s.form.showCount(), 1);
    EXPECT_EQ(s.host.windows().size(), 1u);
    EXPECT_EQ(s.tickShows(), (std::vector<int>{1}));
    s.host.setScreens({screen(1, kRight, true)});
    s.loop.processMessages();
    EXPECT_EQ(s.form.show(0).screenInfo().id, 1);
    EXPECT_EQ(s.form.show(0).screen(), (Size{120, 90}));
    EXPECT_EQ(s.host.windows()[0].screen, 1);
    EXPECT_EQ(s.tickShows(), (std::vector<int>{2}));
}

TEST(Screens, NoPicturesShowsTheTextOnThePrimaryScreenOnly) {
    Screens s({screen(0, kLeft), screen(1, kRight, true)});
    s.startWith(0, {});
    ASSERT_EQ(s.form.showCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(s.form.show(i).form().color(), clWhite);
        EXPECT_EQ(s.form.show(i).infoLabel().visible(), i == 1) << i;
    }
    // The primary moves: so does the text.
    s.host.setScreens({screen(0, kLeft, true), screen(1, kRight)});
    s.loop.processMessages();
    EXPECT_TRUE(s.form.show(0).infoLabel().visible());
    EXPECT_FALSE(s.form.show(1).infoLabel().visible());
}

TEST(Screens, AScreenThatGoesInTheMiddleOfARollDownDoesNotStopTheShow) {
    Screens s({screen(0, kLeft, true)});
    s.startWith(4, {{"Seq", "1"}, {"Picdis", "8"}});
    s.form.waitForPictureAhead();
    s.host.advance(1000);
    s.loop.processMessages();  // the tick begins the roll-down: the timer waits for its rows
    ASSERT_FALSE(s.form.displayTimer().enabled());
    s.host.setScreens({screen(1, kRight, true)});
    s.loop.processMessages();
    ASSERT_EQ(s.form.showCount(), 1);
    EXPECT_TRUE(s.form.displayTimer().enabled());
    EXPECT_EQ(s.tickShows(), (std::vector<int>{2}));
}
