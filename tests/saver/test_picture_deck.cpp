// The shuffled order: every picture once in a round, no picture twice in one tick, none of one
// tick in the next where the list allows, and one deck for the whole run. The orders are worked
// from the generator's seed (the manual clock's nanoseconds) apart from the code under test.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "HeadlessHost.h"
#include "PictureDeck.h"
#include "SaverRandom.h"
#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

// One tick as the saver deals it: each screen in turn, `extra` more for a fade's first tick.
std::vector<int> dealTick(PictureDeck& deck, SaverRandom& random, int screens, int extra = 0) {
    deck.beginTick(screens);
    std::vector<int> dealt;
    for (int i = 0; i < screens + extra; ++i) dealt.push_back(deck.deal(random));
    return dealt;
}

// Five pictures on two screens, a tick each 1 ms. Each round re-seeds once, draws the picture
// that closes it from all five, then fills its places in turn from the pictures left that each
// place allows, in their list order. Seed s, x = s * 134775813 + 1, pick = (x * n) >> 32:
// - 1 ms (seed 1,000,000): picks 4 of 5 closes; then 2 of {0 1 2 3}, 1 of {0 1 3}, 3 of {0 3}
//   and 0: the round 2 1 3 0 4.
// - 3 ms: the round ends after 4, the tick's first picture. Its second place may be neither 4 nor
//   the last tick's 3 and 0; the next two, the next tick, not 4. Picks: 4 of 5 closes again (as
//   likely as any other), 2 of {1 2}, 1 of {0 1 3}, 0 of {0 3}, then 3: the round 2 1 0 3 4.
// One picture only deals itself; a fade's first tick deals two a screen, none of them twice.
TEST(PictureDeck, ARoundsSeamInsideATick) {
    HeadlessHost host;
    SaverRandom random(host);
    PictureDeck deck(5);
    std::vector<std::vector<int>> ticks;
    for (int tick = 0; tick < 5; ++tick) {
        host.advance(1);
        ticks.push_back(dealTick(deck, random, 2));
    }
    EXPECT_EQ(ticks, (std::vector<std::vector<int>>{{2, 1}, {3, 0}, {4, 2}, {1, 0}, {3, 4}}));

    PictureDeck one(1);
    EXPECT_EQ(dealTick(one, random, 3), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(PictureDeck().deal(random), -1);

    // The first round, drawn at 3 ms, is 2 1 0 3 4; at 4 ms the seam follows 4 with no room to
    // keep all of the last tick's four out, so only 4 is kept out of the next tick.
    HeadlessHost fadeClock;
    SaverRandom fadeRandom(fadeClock);
    fadeClock.advance(3);
    PictureDeck fade(5);
    ticks = {dealTick(fade, fadeRandom, 2, 2)};
    for (int tick = 0; tick < 3; ++tick) {
        fadeClock.advance(1);
        ticks.push_back(dealTick(fade, fadeRandom, 2));
    }
    EXPECT_EQ(ticks, (std::vector<std::vector<int>>{{2, 1, 0, 3}, {4, 0}, {2, 1}, {4, 3}}));
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
        {"0", "1", {Y, F, R, B, L, R, L, F, B, Y}},
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
        EXPECT_EQ(s.form.playlist().size(), 5);
        std::vector<Color> shown;
        for (int i = 0; i < 10; ++i) {
            s.tick();
            shown.push_back(s.at(1, 1));
        }
        EXPECT_EQ(shown, c.shown);
    }
}

// Many runs of a shuffled show, each on a clock of its own: within a round each picture comes
// once and within a tick none comes twice; with at least twice as many pictures as screens none
// of one tick comes back in the next, at a round's seam too. The picture that closes a round is
// as likely to be any of them (a chi-square test at p = 0.001, the counts pooled over the runs),
// and as likely to close the next round as any other (so the closer repeats in 1 of N rounds).
// Two pictures on one screen can only alternate, so one of them closes every round.
TEST(PictureDeck, RoundsTicksAndSeamsOverTwentyClocks) {
    struct Case {
        int screens, pictures;
        double critical;  // of chi-square at p = 0.001, pictures - 1 degrees of freedom
    };
    constexpr double kOneDegree = 10.828;
    const Case cases[] = {{1, 2, 0},       {1, 5, 18.467}, {1, 10, 27.877}, {2, 5, 18.467},
                          {2, 10, 27.877}, {3, 5, 18.467}, {3, 10, 27.877}};
    const auto chiSquare = [](const std::vector<double>& seen, const std::vector<double>& odds) {
        double total = 0, sum = 0;
        for (const double n : seen) total += n;
        for (std::size_t i = 0; i < seen.size(); ++i) {
            const double expected = total * odds[i];
            sum += (seen[i] - expected) * (seen[i] - expected) / expected;
        }
        return sum;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screens << " screens, " << c.pictures << " pictures");
        const bool apart = c.pictures >= 2 * c.screens;
        int twiceInATick = 0, backNextTick = 0, twiceInARound = 0;
        std::vector<double> closers(std::size_t(c.pictures), 0), repeats(2, 0);
        for (std::uint32_t seed = 1; seed <= 20; ++seed) {
            HeadlessHost host;
            SaverRandom random(host);
            std::mt19937 clock(seed);  // the same numbers on every platform
            host.advance(clock() % 5000);
            PictureDeck deck(c.pictures);
            std::vector<int> previous, round;
            int lastCloser = -1;
            for (int tick = 0; tick < 2000; ++tick) {
                host.advance(1000 + clock() % 97);  // a delay, and a busy machine's lateness
                const std::vector<int> dealt = dealTick(deck, random, c.screens);
                for (std::size_t i = 0; i < dealt.size(); ++i) {
                    const auto among = [&](const std::vector<int>& v, std::size_t end) {
                        return std::find(v.begin(), v.begin() + std::ptrdiff_t(end), dealt[i]) !=
                               v.begin() + std::ptrdiff_t(end);
                    };
                    twiceInATick += among(dealt, i);
                    backNextTick += apart && among(previous, previous.size());
                    twiceInARound += among(round, round.size());
                    round.push_back(dealt[i]);
                    if (int(round.size()) == c.pictures) {
                        ++closers[std::size_t(round.back())];
                        if (lastCloser >= 0) ++repeats[round.back() == lastCloser ? 0 : 1];
                        lastCloser = round.back();
                        round.clear();
                    }
                }
                previous = dealt;
            }
        }
        EXPECT_EQ(twiceInATick, 0);
        EXPECT_EQ(backNextTick, 0);
        EXPECT_EQ(twiceInARound, 0);
        if (c.critical == 0) continue;
        const double one = 1.0 / c.pictures;
        EXPECT_LT(chiSquare(closers, std::vector<double>(closers.size(), one)), c.critical)
            << testing::PrintToString(closers);
        EXPECT_LT(chiSquare(repeats, {one, 1 - one}), kOneDegree)
            << "the closer repeats in " << repeats[0] << " rounds of " << repeats[0] + repeats[1];
    }
}

// The saver deals a tick to its screens from the deck: two screens over five pictures, ticks at
// uneven times, seams falling inside a tick at every other round; no picture twice in a tick or
// in two ticks running.
TEST(PictureDeck, TheSaversTicksOnTwoScreensKeepTheRules) {
    SlideShow s({16, 12}, 24, 2);
    const std::vector<Color> colours = {clRed, clLime, clBlue, clYellow, clFuchsia};
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < colours.size(); ++i)
        paths.push_back(s.picture(std::to_string(i) + ".bmp", 2, 2, colours[i]));
    s.start({{"Picdis", "1"}, {"Seq", "0"}, {"Shuffle", "1"}, {"Time", "1000"}, {"Sound", "0"}},
            paths);
    std::mt19937 lateness{7};
    std::vector<Color> previous;
    int broken = 0;
    for (int tick = 0; tick < 200; ++tick) {
        s.runTick(lateness() % 50);
        s.loop.processMessages();
        const std::vector<Color> shown = {s.form.show(0).form().framebuffer().pixel(1, 1),
                                          s.form.show(1).form().framebuffer().pixel(1, 1)};
        broken += shown[0] == shown[1];
        for (const Color c : shown) broken += std::count(previous.begin(), previous.end(), c) > 0;
        previous = shown;
    }
    EXPECT_EQ(broken, 0);
}

}  // namespace
}  // namespace quillo::test
