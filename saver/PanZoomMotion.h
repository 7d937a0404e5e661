#pragma once
// The motion of pan and zoom (mode 12): where each frame looks into the picture, as a function of
// the time since the picture's tick alone, so that a frame drawn late shows where the motion is
// by then and never holds it back. The picture always covers the screen: at zoom 1 it is scaled
// to cover it exactly, at zoom 1.25 the framing is 80% of that as wide and high. The framing's
// place is its share of the slack, the part of the picture it leaves out in each direction, so
// that any zoom and place keep it inside the picture.
#include <cstdint>

#include "Geometry.h"

namespace quillo {

class SaverRandom;

// One picture's path, drawn at its tick.
struct PanZoomPath {
    double zoomFrom = 1.0;
    double zoomTo = 1.0;
    // Across the slack: 0 at the left or top edge, 1 at the right or bottom edge.
    double fromX = 0.5, fromY = 0.5;
    double toX = 0.5, toY = 0.5;
};

// A framing in the picture's pixels: the area drawn over the whole screen.
struct Framing {
    double x = 0, y = 0, width = 0, height = 0;
};

// The framing `elapsedNs` after the tick of a picture that moves along `path` for `spanNs` and
// then stands at the path's end: linear in time, zoom and place alike.
Framing panZoomFraming(std::uint64_t elapsedNs, std::uint64_t spanNs, Size picture, Size screen,
                       const PanZoomPath& path);

// A path drawn at random: zooming in or out between 1 and 1.10 to 1.25, and from one place
// across the slack to another.
PanZoomPath randomPanZoomPath(SaverRandom& random);

}  // namespace quillo
