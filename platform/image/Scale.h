#pragma once
// Nearest-neighbour scaling: rows and columns dropped or repeated. Plain functions, no windows.
#include <optional>

#include "Bitmap.h"
#include "Region.h"

namespace quillo {

// The source index that destination index d samples when srcLen cells are spread over dstLen:
// the first cell maps to the first, and each source cell covers an equal run of destination cells.
constexpr int nearestSource(int d, int dstLen, int srcLen) {
    return int((long long)d * srcLen / dstLen);
}

// Copies srcRect of src onto dstRect of dst, scaled by nearest neighbour, writing only pixels
// inside dst's bounds and (when given) the clip region. Returns the part of dst written to.
Rect stretchCopy(Bitmap& dst, const Rect& dstRect, const Bitmap& src, const Rect& srcRect,
                 const Region* clip = nullptr);

// Copies src at natural size with its top-left at (x, y), clipped to `within` and dst.
Rect drawAt(Bitmap& dst, int x, int y, const Bitmap& src, const Rect& within,
            const Region* clip = nullptr);

}  // namespace quillo
