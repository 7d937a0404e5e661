#pragma once
// Clip regions for direct drawing: a rounded rectangle and an ellipse inscribed in a rectangle.
// Both shapes are convex, so a region is one horizontal span per row.
#include <vector>

#include "Geometry.h"

namespace quillo {

class Region {
public:
    Region() = default;
    // The rectangle with each corner cut by a quarter of an ellipse of cornerWidth by
    // cornerHeight (clamped to the rectangle's own size).
    static Region roundRect(const Rect& r, int cornerWidth, int cornerHeight);
    // The ellipse inscribed in r: a pixel is inside when its centre is.
    static Region ellipse(const Rect& r);

    const Rect& bounds() const { return bounds_; }
    bool empty() const { return bounds_.empty(); }
    bool contains(int x, int y) const;
    // The span of row y as [left, right); empty when the row is outside.
    struct Span {
        int left = 0;
        int right = 0;
    };
    Span span(int y) const;

private:
    Rect bounds_;
    std::vector<Span> rows_;  // one per row of bounds_
};

}  // namespace quillo
