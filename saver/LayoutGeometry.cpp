#include "LayoutGeometry.h"

#include <atomic>
#include <cmath>

#include "Rounding.h"
#include "SaverRandom.h"

namespace quillo {

int Round(double v) {
    return int(roundHalfEven(v));
}

Point centerImage(Size screen, int w, int h) {
    return {Round(screen.width / 2.0 - w / 2.0), Round(screen.height / 2.0 - h / 2.0)};
}

Rect tileRect(Size screen, int tileState) {
    const int hw = Round(screen.width / 2.0), hh = Round(screen.height / 2.0);
    switch (tileState) {
        case 1:
            return Rect::fromSize(0, 0, hw, hh);
        case 2:
            return Rect::fromSize(0, hh + 1, hw, hh);
        case 3:
            return Rect::fromSize(hw + 1, 0, hw, hh);
        default:
            return Rect::fromSize(hw + 1, hh + 1, hw, hh);
    }
}

Point RandomPlacement(Size screen, int pictureWidth, int pictureHeight, SaverRandom& random,
                      bool fullSizeTakesQuarter) {
    const auto quarter = [&](int picture, int screenLen) {
        return fullSizeTakesQuarter ? picture >= screenLen : picture > screenLen;
    };
    random.Randomize();
    Point p;
    p.y = quarter(pictureHeight, screen.height) ? random.Random(Round(screen.height / 4.0))
                                                : random.Random(screen.height - pictureHeight);
    p.x = quarter(pictureWidth, screen.width) ? random.Random(Round(screen.width / 4.0))
                                              : random.Random(screen.width - pictureWidth);
    return p;
}

void ShortPause() {
    // The fence keeps the compiler from dropping the empty loop.
    for (int i = 0; i < 1'000'000; ++i) std::atomic_signal_fence(std::memory_order_seq_cst);
}

}  // namespace quillo
