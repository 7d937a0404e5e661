// The shuffled order: every picture once in a round, no picture twice across the seam of two
// rounds or within one tick, and one deck for the whole run. The orders are worked from the
// generator's seed (the manual clock's nanoseconds) apart from the code under test.
#include <gtest/gtest.h>

#include <vector>

#include "HeadlessHost.h"
#include "PictureDeck.h"
#include "SaverRandom.h"
#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

// One picture a tick, the clock 1 ms on at each: from 4 ms the third round would open with 2,
// the picture the second one ended on; 2 and 1 change places. One picture simply repeats.
TEST(PictureDeck, NoPictureComesTwiceAcrossTheSeam) {
    HeadlessHost host;
    SaverRandom random(host);
    host.advance(1);
    PictureDeck deck(3);
    std::vector<int> dealt;
    for (int i = 0; i < 9; ++i) {
        host.advance(1);
        dealt.push_back(deck.deal(random));
    }
    EXPECT_EQ(dealt, (std::vector<int>{1, 0, 2, 1, 0, 2, 1, 2, 0}));
    PictureDeck one(1);
    EXPECT_EQ(one.dealTick(random, 3), (std::vector<int>{0, 0, 0}));
}

// Three pictures, then four in one tick: the second tick ends the first round with 3 and 1, and
// the second round, drawn as 3 1 4 0 2, would show them again in the same tick; it opens with 4
// and 0 instead.
TEST(PictureDeck, ATickDealsNoPictureTwice) {
    HeadlessHost host;
    SaverRandom random(host);
    host.advance(13);
    PictureDeck deck(5);
    EXPECT_EQ(deck.dealTick(random, 3), (std::vector<int>{2, 0, 4}));
    host.advance(1);
    EXPECT_EQ(deck.dealTick(random, 4), (std::vector<int>{3, 1, 4, 0}));
    // The rest of the round: 3 and 1 moved back, 2 left in place.
    EXPECT_EQ(deck.dealTick(random, 3), (std::vector<int>{3, 1, 2}));
}

// Five plain pictures at random, one a second: with Shuffle each five ticks show all five (a
// round holds every picture once), the deck made at the start carrying over from tick to tick;
// without it the pick of each tick is drawn alone and repeats. In list order Shuffle
// changes nothing.
TEST(PictureDeck, TheSaverDealsFromOneDeckForTheRun) {
    struct Case {
        const char* seq;
        const char* shuffle;  // nullptr: the key is missing
        std::vector<Color> shown;
    };
    const Color R = clRed, L = clLime, B = clBlue, Y = clYellow, F = clFuchsia;
    // Ticks at 1 s, 2 s, ...: the rounds are drawn at 1 s and 6 s; the lone picks at each second.
    const Case cases[] = {
        {"0", "1", {F, R, Y, B, L, Y, R, L, F, B}},
        {"0", nullptr, {L, B, F, R, B, Y, R, L, Y, F}},
        {"1", "1", {R, L, B, Y, F, R, L, B, Y, F}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.seq) + (c.shuffle ? c.shuffle : " missing"));
        SlideShow s;
        std::map<std::string, std::string> options = {
            {"Picdis", "1"}, {"Seq", c.seq}, {"Time", "1000"}, {"Sound", "0"}};
        if (c.shuffle) options["Shuffle"] = c.shuffle;
        s.start(options,
                {s.picture("red.bmp", 4, 4, clRed), s.picture("lime.bmp", 4, 4, clLime),
                 s.picture("blue.bmp", 4, 4, clBlue), s.picture("yellow.bmp", 4, 4, clYellow),
                 s.picture("fuchsia.bmp", 4, 4, clFuchsia)});
        EXPECT_EQ(s.form.Deck.size(), 5);
        std::vector<Color> shown;
        for (int i = 0; i < 10; ++i) {
            s.tick();
            shown.push_back(s.at(1, 1));
        }
        EXPECT_EQ(shown, c.shown);
    }
}

}  // namespace
}  // namespace quillo::test
