#include "ScreenLayout.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace quillo {

bool liesInside(const Rect& inner, const Rect& outer) {
    return !inner.empty() && inner.left >= outer.left && inner.top >= outer.top &&
           inner.right <= outer.right && inner.bottom <= outer.bottom;
}

ScreenInfo showingScreen(const std::vector<ScreenInfo>& screens, const ScreenInfo& screen) {
    // Larger first; then the primary; then the lower id. A total order, so mirrored screens all
    // name the same one, and a screen inside a mirrored pair names the one the pair names.
    const auto rank = [](const ScreenInfo& s) {
        return std::tuple(std::int64_t(s.area.width()) * s.area.height(), s.primary, -s.id);
    };
    const ScreenInfo* best = &screen;
    for (const ScreenInfo& other : screens)
        if (liesInside(screen.area, other.area) && rank(other) > rank(*best)) best = &other;
    return *best;
}

std::vector<ScreenInfo> showScreens(const std::vector<ScreenInfo>& screens) {
    std::vector<ScreenInfo> out;
    for (const ScreenInfo& s : screens)
        if (showingScreen(screens, s).id == s.id) out.push_back(s);
    std::stable_sort(out.begin(), out.end(), [](const ScreenInfo& a, const ScreenInfo& b) {
        return std::pair(a.area.left, a.area.top) < std::pair(b.area.left, b.area.top);
    });
    return out;
}

std::vector<Rect> uncoveredParts(const Rect& screen, const std::vector<Rect>& shows) {
    std::vector<Rect> parts;
    if (!screen.empty()) parts.push_back(screen);
    for (const Rect& show : shows) {
        std::vector<Rect> left;
        for (const Rect& r : parts) {
            const Rect cut = r.intersected(show);
            if (cut.empty()) {
                left.push_back(r);
                continue;
            }
            // What lies above the cut, below it, then left and right of it between the two.
            const Rect pieces[] = {{r.left, r.top, r.right, cut.top},
                                   {r.left, cut.bottom, r.right, r.bottom},
                                   {r.left, cut.top, cut.left, cut.bottom},
                                   {cut.right, cut.top, r.right, cut.bottom}};
            for (const Rect& piece : pieces)
                if (!piece.empty()) left.push_back(piece);
        }
        parts = std::move(left);
    }
    return parts;
}

Point devicePoint(const std::vector<ScaledScreen>& screens, double x, double y) {
    if (screens.empty()) return {int(std::lround(x)), int(std::lround(y))};
    const auto on = std::find_if(screens.begin(), screens.end(), [&](const ScaledScreen& s) {
        return x >= s.left && x < s.left + s.width && y >= s.top && y < s.top + s.height;
    });
    const ScaledScreen& s = on != screens.end() ? *on : screens.front();
    return {int(std::lround(s.left + (x - s.left) * s.scale)),
            int(std::lround(s.top + (y - s.top) * s.scale))};
}

}  // namespace quillo
