// The playlist on its own: each order's picks across the shows of a tick, and the next pick it
// knows before its tick (the one decoded ahead). Picks at random are worked from the generator
// (seed = the clock's low 32 bits, x = seed * 134775813 + 1, pick = (x * n) >> 32): at a whole
// second k, x = k * 1,244,525,056 + 1 (modulo 2^32), so of two pictures 1 s draws 0 and 2 s
// draws 1.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Playlist.h"
#include "SlideShowFixture.h"

namespace quillo::test {
namespace {

TEST(Playlist, EachOrderPicksAcrossTheShowsAndKnowsItsNext) {
    struct Case {
        const char* name;
        PictureOrder order;
        int pictures, shows;
        std::uint64_t clockMs;
        std::vector<std::vector<int>> ticks;  // the picks of each tick, show by show
        std::vector<int> known;               // nextKnown before each tick
    };
    const std::vector<Case> cases = {
        // In order the shows take the next entries in turn, round and round.
        {"in order", PictureOrder::InOrder, 3, 2, 1000, {{0, 1}, {2, 0}, {1, 2}}, {0, 2, 1}},
        {"in order, one picture",
         PictureOrder::InOrder,
         1,
         3,
         1000,
         {{0, 0, 0}, {0, 0, 0}},
         {0, 0}},
        // At random the second show may not take the first's; the third, with none left, draws
        // from all as the first did. Nothing is known ahead.
        {"at random, 1 s", PictureOrder::AtRandom, 2, 3, 1000, {{0, 1, 0}}, {-1}},
        {"at random, 2 s", PictureOrder::AtRandom, 2, 3, 2000, {{1, 0, 1}}, {-1}},
        {"no pictures", PictureOrder::InOrder, 0, 1, 1000, {}, {-1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SlideShow s({64, 48}, 24, c.shows);
        std::vector<std::string> pictures;
        for (int i = 0; i < c.pictures; ++i) pictures.push_back("/p" + std::to_string(i));
        Playlist playlist(pictures, c.order);
        EXPECT_EQ(playlist.pictures(), pictures);
        s.host.advance(c.clockMs);
        SaverRandom random(s.host);
        for (std::size_t tick = 0; tick < c.known.size(); ++tick) {
            EXPECT_EQ(playlist.nextKnown(), c.known[tick]) << "tick " << tick;
            if (tick >= c.ticks.size()) break;
            playlist.beginTick(c.shows);
            std::vector<int> picks;
            for (int show = 0; show < c.shows; ++show)
                picks.push_back(playlist.pick(s.form.show(show), random));
            EXPECT_EQ(picks, c.ticks[tick]) << "tick " << tick;
        }
    }
}

}  // namespace
}  // namespace quillo::test
