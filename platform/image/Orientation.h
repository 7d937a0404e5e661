#pragma once
// Turning and mirroring a bitmap into the upright form a camera's orientation value asks for.
#include "Bitmap.h"

namespace quillo {

// True for the orientation values 5 to 8, whose upright picture swaps width and height.
constexpr bool orientationSwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

// The upright picture for an Exif orientation value: 2 mirrored left to right, 3 turned by 180
// degrees, 4 mirrored top to bottom, 5 mirrored along the top-left to bottom-right diagonal, 6
// turned clockwise by 90 degrees, 7 mirrored along the other diagonal, 8 turned anticlockwise
// by 90 degrees. 1 and any other value give an unchanged copy.
Bitmap orientBitmap(const Bitmap& src, int orientation);

}  // namespace quillo
