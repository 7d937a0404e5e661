#include "Blend.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quillo {

int blendWeight(float t) {
    // nearbyint follows the current rounding mode, which is round-half-even by default; the
    // product is formed in single precision like the fade position itself.
    const float scaled = t * 256.0f;
    return int(std::nearbyint(scaled));
}

namespace {

// One row: plain indexed loop over bytes with 16-bit arithmetic so the compiler vectorises it.
void blendRow(std::uint8_t* __restrict out, const std::uint8_t* __restrict oldRow,
              const std::uint8_t* __restrict newRow, std::size_t bytes, std::uint16_t F,
              std::uint16_t G) {
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = std::uint8_t(std::uint16_t(oldRow[i] * G + newRow[i] * F) >> 8);
}

}  // namespace

void blendRows(Bitmap& out, const Bitmap& oldPic, const Bitmap& newPic, int F) {
    F = std::clamp(F, 0, 256);
    const int w = std::min(oldPic.width(), newPic.width());
    const int h = std::min(oldPic.height(), newPic.height());
    out.setSize(w, h);
    const std::size_t bytes = std::size_t(w) * 3;
    const auto f = std::uint16_t(F), g = std::uint16_t(256 - F);
    for (int y = 0; y < h; ++y) blendRow(out.row(y), oldPic.row(y), newPic.row(y), bytes, f, g);
}

}  // namespace quillo
