#include "SaverRandom.h"

namespace quillo {

int SaverRandom::Random(int n) {
    seed_ = seed_ * 134775813u + 1u;
    if (n <= 0) return 0;
    // The upper half of seed x n: uniform in [0, n) without a division.
    return int((std::uint64_t(seed_) * std::uint64_t(n)) >> 32);
}

}  // namespace quillo
