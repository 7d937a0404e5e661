#include "LayoutGeometry.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>

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

Size fitBox(Size screen, FitRule rule) {
    switch (rule) {
        case FitRule::ScreenLessOne:
            return {screen.width - 1, screen.height - 1};
        case FitRule::RolledRowsOnScreen: {
            // The roll-down centres a smaller picture at Round(SH / 2) - Round(H / 2) and draws
            // row k on row top + k + 1, so its last row must land on SH - 1 at most.
            int h = screen.height - 1;
            while (h > 1 && Round(screen.height / 2.0) - Round(h / 2.0) + h > screen.height - 1)
                --h;
            return {screen.width, h};
        }
        case FitRule::NotApplied:  // never asked: Fit leaves such a mode alone
        case FitRule::Screen:
            break;
    }
    return screen;
}

Size fitSize(Size box, int w, int h) {
    if (w <= box.width && h <= box.height) return {w, h};
    if (box.width < 1 || box.height < 1) return {w, h};
    const auto scaled = [](int length, int to, int from) {
        // length x to / from, rounded to the nearest, at least 1.
        const std::uint64_t v =
            (std::uint64_t(length) * std::uint64_t(to) * 2 + std::uint64_t(from)) /
            (std::uint64_t(from) * 2);
        return std::max(1, int(v));
    };
    if (std::uint64_t(w) * std::uint64_t(box.height) >= std::uint64_t(h) * std::uint64_t(box.width))
        return {box.width, std::min(box.height, scaled(h, box.width, w))};
    return {std::min(box.width, scaled(w, box.height, h)), box.height};
}

void ShortPause() {
    // The fence keeps the compiler from dropping the empty loop.
    for (int i = 0; i < 1'000'000; ++i) std::atomic_signal_fence(std::memory_order_seq_cst);
}

}  // namespace quillo
