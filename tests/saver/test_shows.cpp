// Several shows in one event loop: each with its own window, mode and frames, ticked by one
// timer.
#include <gtest/gtest.h>

#include "SlideShowFixture.h"

using namespace quillo;
using namespace quillo::test;

namespace {

// Two shows of 200 x 150 in one display mode over plain pictures, in list order, colour set 4,
// a delay of 1000 ms. The playlist is shared: the shows take turns at it.
struct TwoShows : SlideShow {
    TwoShows(int mode, const std::vector<std::pair<Size, Color>>& pictures)
        : SlideShow({200, 150}, 24, 2) {
        std::vector<std::string> files;
        for (const auto& [size, colour] : pictures)
            files.push_back(picture("p" + std::to_string(files.size()) + ".bmp", size.width,
                                    size.height, colour));
        start({{"Sound", "0"}, {"Seq", "1"}, {"Time", "1000"}, {"Picdis", std::to_string(mode)}},
              files);
    }
    Color at(int show, int x, int y) { return form.show(show).form().framebuffer().pixel(x, y); }
    int count(int show, Color colour) {
        int n = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x) n += at(show, x, y) == colour;
        return n;
    }
};

}  // namespace

TEST(Shows, TwoFadesRunSideBySideAndEndTogether) {
    const Size full{200, 150};
    TwoShows s(11, {{full, clRed}, {full, clLime}, {full, clBlue}, {full, clYellow}});
    // The tick's own pass and the pause before frame 0 come first: from the third pass on, each
    // shows the frame before it on both, so the 53rd shows frame 50, half and half.
    Color middle[2] = {};
    int passes = 0;
    s.host.onPump = [&] {
        if (++passes != 53) return;
        middle[0] = s.at(0, 100, 75);
        middle[1] = s.at(1, 100, 75);
    };
    const std::uint64_t start = s.host.nowMs() + 1000;
    s.runTick();
    EXPECT_EQ(s.host.nowMs() - start, 4040u);  // not twice as long
    EXPECT_EQ(passes, 102);
    EXPECT_EQ(middle[0], rgb(127, 127, 0));    // red to lime
    EXPECT_EQ(middle[1], rgb(127, 127, 127));  // blue to yellow
    EXPECT_EQ(s.at(0, 100, 75), clLime);
    EXPECT_EQ(s.at(1, 100, 75), clYellow);
    EXPECT_TRUE(s.form.displayTimer().enabled());
}

TEST(Shows, TwoSlidesAndTwoRollDownsInterleaveTheirFrames) {
    struct Case {
        int mode;
        std::uint64_t ms;  // the tick's frames take this long on the manual clock
    };
    for (const Case c : {Case{7, 0}, Case{8, 400}}) {
        SCOPED_TRACE(c.mode);
        TwoShows s(c.mode, {{{60, 40}, clRed}, {{60, 40}, clLime}});
        // Every pass draws one frame of each: both have come as far at every pass.
        int passes = 0, partway = 0;
        s.host.onPump = [&] {
            ++passes;
            const int red = s.count(0, clRed), lime = s.count(1, clLime);
            EXPECT_EQ(red, lime) << "pass " << passes;
            partway += red > 0 && red < 60 * 40;
        };
        const std::uint64_t start = s.host.nowMs() + 1000;
        s.runTick();
        EXPECT_EQ(s.host.nowMs() - start, c.ms);
        EXPECT_GT(partway, 10);
        // The slide stops with up to 3 columns or rows still past the edge it came in from.
        EXPECT_EQ(s.count(0, clRed), s.count(1, clLime));
        EXPECT_GE(s.count(0, clRed), 57 * 40);
    }
}

TEST(Shows, AnEndingInputDuringASlideOnOneEndsBoth) {
    TwoShows s(7, {{{60, 40}, clRed}, {{60, 40}, clLime}});
    std::size_t presentsAtInput = 0;
    const int inputAt = s.host.pumps + 10;
    s.host.onPump = [&] {
        if (s.host.pumps != inputAt) return;
        s.host.queueInput(keyEvent(true));
        presentsAtInput = s.host.presented().size();
    };
    s.runTick();
    EXPECT_TRUE(s.form.closed());
    EXPECT_FALSE(s.loop.animating());
    EXPECT_EQ(s.host.presented().size(), presentsAtInput);  // neither drew after the key
    EXPECT_LT(s.count(0, clRed), 60 * 40);
    EXPECT_LT(s.count(1, clLime), 60 * 40);
}
