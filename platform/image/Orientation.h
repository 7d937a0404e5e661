#pragma once
// A camera's orientation value (Exif, 1 to 8): how the stored pixels turn to the upright picture.
// 2 mirrors left to right, 3 turns by 180 degrees, 4 mirrors top to bottom, 5 mirrors along the
// top-left to bottom-right diagonal, 6 turns clockwise by 90 degrees, 7 mirrors along the other
// diagonal, 8 turns anticlockwise by 90 degrees; 1 and any other value leave them as they are.

namespace quillo {

// True for the orientation values 5 to 8, whose upright picture swaps width and height.
constexpr bool orientationSwapsAxes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

}  // namespace quillo
