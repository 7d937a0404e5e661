#pragma once
// Draws a framing of a picture over a whole bitmap, scaled with a bilinear filter by pixman, for
// pan and zoom: its frames move by fractions of a pixel, which a filtered sampling shows as a
// smooth glide where a nearest-neighbour one would step by whole pixels.
#include "Bitmap.h"
#include "PanZoomMotion.h"

namespace quillo {

// Puts `framing` of `picture` over all of `target`. At weight 1 it replaces what the target
// holds; below 1 it is laid over it by that weight (the next picture of a cross-fade), and at
// 0 it leaves the target alone.
void drawFraming(Bitmap& target, const Bitmap& picture, const Framing& framing,
                 double weight = 1.0);

}  // namespace quillo
