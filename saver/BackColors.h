#pragma once
// The four background colour sets and the rule that cycles through a set with the tick counter.
#include <array>

#include "Geometry.h"

namespace quillo {

using ColorSet = std::array<Color, 4>;

// Set 1 to 3 as numbered, any other number the always-black set 4.
const ColorSet& colorSet(int set);

// The colour of a set for a counter value running 1 to 21: the first for 1 to 4, the second
// for 5 to 9, the third for 10 to 14, the fourth from 15 on.
Color colorForCount(Color first, Color second, Color third, Color fourth, int colorCount);

}  // namespace quillo
