#pragma once
// Shrinking a bitmap by area averaging: every output pixel is the mean of the source area it
// covers, each source pixel weighted by the part of it that lies inside, so fine detail turns
// into its average colour instead of aliasing.
#include "Bitmap.h"
#include "DecodeStop.h"

namespace quillo {

// A width x height copy of src; both must be at least 1 and at most src's own size (a larger
// request is clamped to it). Throws DecodeStopped when `stop` is raised: it is asked once per
// row of the copy.
Bitmap shrinkBitmap(const Bitmap& src, int width, int height, const DecodeStop* stop = nullptr);

}  // namespace quillo
