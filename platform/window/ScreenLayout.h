#pragma once
// How the screens of a desk share the shows. A screen lying wholly inside another (a laptop
// mirrored to a projector, a monitor showing part of a larger one) is shown by that other one's
// show, so no two windows of ours ever claim the same pixels and none is left to the stacking
// order to sort out.
#include <vector>

#include "Host.h"

namespace quillo {

// Whether every pixel of inner lies within outer (an empty inner lies nowhere).
bool liesInside(const Rect& inner, const Rect& outer);

// The screen whose show shows this one: of the screens it lies inside, itself among them, the
// largest; of mirrored ones (the same area) the primary, else the one with the lowest id.
ScreenInfo showingScreen(const std::vector<ScreenInfo>& screens, const ScreenInfo& screen);

// The screens that take a show of their own (each its own showing screen), in screen order: by
// the left edge, then the top. The shows take their pictures in this order.
std::vector<ScreenInfo> showScreens(const std::vector<ScreenInfo>& screens);

// What of a screen no window of the shows takes, as disjoint rectangles: the part a black cover
// takes, so that no cover ever lies over a show, whatever the stacking. Empty when shows take
// the whole screen.
std::vector<Rect> uncoveredParts(const Rect& screen, const std::vector<Rect>& shows);

// A screen as the toolkit lays it out: its top-left corner where its device pixels have it, and
// from there on layout pixels, scale device pixels each.
struct ScaledScreen {
    double left = 0, top = 0, width = 0, height = 0;
    double scale = 1.0;
};

// A desktop-wide position in layout pixels, in device pixels: scaled from the top-left corner of
// the screen it lies on (the first listed when it lies on none), since each screen keeps its own
// corner where the device pixels have it.
Point devicePoint(const std::vector<ScaledScreen>& screens, double x, double y);

}  // namespace quillo
