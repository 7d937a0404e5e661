#pragma once
// The saver's random numbers: a 32-bit linear congruential generator, re-seeded from the low 32
// bits of the host's nanosecond clock. On the headless host the clock is manual, so every draw
// is repeatable in tests.
#include <cstdint>

#include "Host.h"

namespace quillo {

class SaverRandom {
public:
    explicit SaverRandom(Host& host) : host_(host) {}

    void Randomize() { seed_ = std::uint32_t(host_.nowNs()); }
    // A uniform integer from 0 to n - 1 (0 when n is 0 or less), advancing the seed.
    int Random(int n);
    // Re-seeds, then draws: the rule for every pick of the playlist.
    int FreshRandom(int n) {
        Randomize();
        return Random(n);
    }
    std::uint32_t seed() const { return seed_; }
    void setSeed(std::uint32_t s) { seed_ = s; }

private:
    Host& host_;
    std::uint32_t seed_ = 0;
};

}  // namespace quillo
