#include "Region.h"

#include <algorithm>
#include <cmath>

namespace quillo {

namespace {

// Half-width, at row centre dy (measured from the ellipse centre), of an ellipse with semi-axes
// a and b; the span covers pixel centres within it.
Region::Span ellipseSpan(double cx, double a, double b, double dy) {
    if (a <= 0 || b <= 0) return {};
    const double t = 1.0 - (dy * dy) / (b * b);
    if (t < 0) return {};
    const double half = a * std::sqrt(t);
    // Pixel x is inside when |x + 0.5 - cx| <= half.
    const int left = int(std::ceil(cx - half - 0.5));
    const int right = int(std::floor(cx + half - 0.5)) + 1;
    return {left, std::max(left, right)};
}

}  // namespace

Region Region::ellipse(const Rect& r) {
    Region region;
    if (r.empty()) return region;
    region.bounds_ = r;
    region.rows_.resize(std::size_t(r.height()));
    const double cx = (r.left + r.right) / 2.0, cy = (r.top + r.bottom) / 2.0;
    const double a = r.width() / 2.0, b = r.height() / 2.0;
    for (int y = r.top; y < r.bottom; ++y)
        region.rows_[std::size_t(y - r.top)] = ellipseSpan(cx, a, b, y + 0.5 - cy);
    return region;
}

Region Region::roundRect(const Rect& r, int cornerWidth, int cornerHeight) {
    Region region;
    if (r.empty()) return region;
    region.bounds_ = r;
    region.rows_.resize(std::size_t(r.height()));
    const int cw = std::clamp(cornerWidth, 0, r.width());
    const int ch = std::clamp(cornerHeight, 0, r.height());
    const double a = cw / 2.0, b = ch / 2.0;
    for (int y = r.top; y < r.bottom; ++y) {
        Span s{r.left, r.right};
        const double py = y + 0.5;
        // Rows within a corner's height are narrowed by the corner ellipse.
        double dy = 0;
        if (py < r.top + b)
            dy = py - (r.top + b);
        else if (py > r.bottom - b)
            dy = py - (r.bottom - b);
        if (dy != 0 && a > 0) {
            const Span left = ellipseSpan(r.left + a, a, b, dy);
            const Span right = ellipseSpan(r.right - a, a, b, dy);
            s = left.right > left.left ? Span{left.left, right.right} : Span{};
        }
        region.rows_[std::size_t(y - r.top)] = s;
    }
    return region;
}

Region::Span Region::span(int y) const {
    if (y < bounds_.top || y >= bounds_.bottom) return {};
    return rows_[std::size_t(y - bounds_.top)];
}

bool Region::contains(int x, int y) const {
    const Span s = span(y);
    return x >= s.left && x < s.right;
}

}  // namespace quillo
