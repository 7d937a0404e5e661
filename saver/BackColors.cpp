#include "BackColors.h"

#include "Options.h"

namespace quillo {

const ColorSet& colorSet(int set) {
    static const ColorSet kSets[4] = {
        {clBlack, clGray, clSilver, clWhite},
        {clNavy, clBlack, clPurple, clMaroon},
        {clGreen, clAqua, clFuchsia, clYellow},
        {clBlack, clBlack, clBlack, clBlack},
    };
    return kSets[int(colorSetOf(set)) - 1];
}

Color colorForCount(Color first, Color second, Color third, Color fourth, int colorCount) {
    if (colorCount < 5) return first;
    if (colorCount < 10) return second;
    if (colorCount < 15) return third;
    return fourth;
}

}  // namespace quillo
