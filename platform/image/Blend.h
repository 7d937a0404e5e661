#pragma once
// The cross-fade kernel: one frame between two pictures.
#include "Bitmap.h"

namespace quillo {

// The weight of the new picture for a fade position t in [0, 1]: Round(t * 256), halves to even.
int blendWeight(float t);

// Sizes `out` to the common top-left area of both pictures and sets every channel to
// (old * (256 - F) + new * F) >> 8. F is 0 to 256: 0 gives the old picture, 256 the new one.
// `out` must be a bitmap of its own, not one of the two pictures.
void blendRows(Bitmap& out, const Bitmap& oldPic, const Bitmap& newPic, int F);

// The same frame written straight into `dst` with its top-left corner at (x, y), clipped to
// `within` and to dst; no frame bitmap in between. Returns the part of dst written.
Rect blendAt(Bitmap& dst, int x, int y, const Bitmap& oldPic, const Bitmap& newPic, int F,
             const Rect& within);

}  // namespace quillo
