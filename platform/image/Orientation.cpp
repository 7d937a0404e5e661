#include "Orientation.h"

#include <algorithm>
#include <cstring>

namespace quillo {

namespace {

void copyPixel(std::uint8_t* out, const std::uint8_t* in) {
    out[0] = in[0];
    out[1] = in[1];
    out[2] = in[2];
}

}  // namespace

Bitmap orientBitmap(const Bitmap& src, int orientation) {
    if (orientation < 2 || orientation > 8) return src;
    const int w = src.width(), h = src.height();
    const bool swap = orientationSwapsAxes(orientation);
    Bitmap out = Bitmap::uninitialized(swap ? h : w, swap ? w : h);
    if (!swap) {
        // 2, 3, 4: each output row is one source row, kept or reversed.
        const bool flipX = orientation != 4, flipY = orientation != 2;
        for (int y = 0; y < h; ++y) {
            const std::uint8_t* in = src.row(flipY ? h - 1 - y : y);
            std::uint8_t* o = out.row(y);
            if (!flipX) {
                std::memcpy(o, in, src.stride());
                continue;
            }
            for (int x = 0; x < w; ++x) copyPixel(o + 3 * x, in + 3 * (w - 1 - x));
        }
        return out;
    }
    // 5 to 8: output (x, y) comes from source column y; the source row runs with x or against
    // it, and the column with y or against it. Worked in tiles so that both bitmaps stay in cache.
    const bool reverseRows = orientation == 6 || orientation == 7;     // x' -> H-1-x'
    const bool reverseColumns = orientation == 7 || orientation == 8;  // y' -> W-1-y'
    const int ow = out.width(), oh = out.height();
    constexpr int kTile = 64;
    for (int ty = 0; ty < oh; ty += kTile) {
        const int yEnd = std::min(oh, ty + kTile);
        for (int tx = 0; tx < ow; tx += kTile) {
            const int xEnd = std::min(ow, tx + kTile);
            for (int y = ty; y < yEnd; ++y) {
                const int sx = reverseColumns ? w - 1 - y : y;
                std::uint8_t* o = out.row(y);
                for (int x = tx; x < xEnd; ++x) {
                    const int sy = reverseRows ? h - 1 - x : x;
                    copyPixel(o + 3 * x, src.row(sy) + 3 * sx);
                }
            }
        }
    }
    return out;
}

}  // namespace quillo
