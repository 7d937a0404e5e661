#include "Scale.h"

#include <cstring>
#include <vector>

namespace quillo {

Rect stretchCopy(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect,
                 const Region* clip) {
    if (dstRect.empty() || srcRect.empty() || src.empty()) return {};
    Rect out = dstRect.intersected(dst.rect());
    if (clip) out = out.intersected(clip->bounds());
    if (out.empty()) return {};
    const int dw = dstRect.width(), dh = dstRect.height();
    const int sw = srcRect.width(), sh = srcRect.height();

    // Column map once per call; rows are mapped as they come.
    std::vector<int> srcX(std::size_t(out.width()));
    for (int x = out.left; x < out.right; ++x) {
        const int sx = srcRect.left + nearestSource(x - dstRect.left, dw, sw);
        srcX[std::size_t(x - out.left)] = sx;
    }
    for (int y = out.top; y < out.bottom; ++y) {
        const int sy = srcRect.top + nearestSource(y - dstRect.top, dh, sh);
        if (sy < 0 || sy >= src.height()) continue;
        int left = out.left, right = out.right;
        if (clip) {
            const Region::Span s = clip->span(y);
            left = std::max(left, s.left);
            right = std::min(right, s.right);
        }
        const Pixel* srow = src.row(sy);
        Pixel* drow = dst.row(y);
        if (sw == dw && srcX[0] >= 0 && srcX[std::size_t(out.width()) - 1] < src.width()) {
            if (right > left)
                std::memcpy(drow + left, srow + srcX[std::size_t(left - out.left)],
                            std::size_t(right - left) * sizeof(Pixel));
            continue;
        }
        for (int x = left; x < right; ++x) {
            const int sx = srcX[std::size_t(x - out.left)];
            if (sx < 0 || sx >= src.width()) continue;
            drow[x] = srow[sx];
        }
    }
    return out;
}

Rect drawAt(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& within, const Region* clip) {
    const Rect target = Rect::fromSize(x, y, src.width(), src.height());
    const Rect area = target.intersected(within);
    if (area.empty()) return {};
    const Rect from = {area.left - x, area.top - y, area.right - x, area.bottom - y};
    return stretchCopy(dst, area, src, from, clip);
}

}  // namespace quillo
