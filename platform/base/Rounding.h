#pragma once
// Rounding to the nearest integer with halves going to the even neighbour, the one rounding rule
// of the display geometry, the delay and the fade's weights.
#include <algorithm>
#include <cmath>

namespace quillo {

// Out-of-range and non-finite values give a clamped or zero result instead of undefined
// behaviour, since some inputs come straight from the settings file.
inline long long roundHalfEven(double value) {
    if (!std::isfinite(value)) return 0;
    value = std::clamp(value, -9.0e18, 9.0e18);
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(floor, 2.0) != 0.0))
        return static_cast<long long>(floor + 1);
    return static_cast<long long>(floor);
}

}  // namespace quillo
