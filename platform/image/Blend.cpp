#include "Blend.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "Rounding.h"

namespace quillo {

int blendWeight(float t) {
    // The product is formed in single precision like the fade position itself.
    const float scaled = t * 256.0f;
    return int(roundHalfEven(scaled));
}

namespace {

// One row of bytes with 16-bit arithmetic (the sum never exceeds 65280). Every byte of a pixel
// word is blended alike: the padding byte, 0xFF in both, stays 0xFF. The fixed-length inner
// loop lets the compiler vectorise it even at -O2, where it only vectorises loops it can replace
// entirely; the tail is done byte by byte.
inline std::uint8_t mix(std::uint8_t o, std::uint8_t n, std::uint16_t F, std::uint16_t G) {
    return std::uint8_t(std::uint16_t(o * G + n * F) >> 8);
}

// Built twice, for AVX2 and for plain x86-64, the better one chosen when the program loads: with
// twice the lanes a 4K frame costs little more than reading both pictures and writing one. Not
// under ThreadSanitizer, which instruments the chooser, run before it is itself set up.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SANITIZE_THREAD__)
__attribute__((target_clones("avx2", "default")))
#endif
void blendRow(std::uint8_t* __restrict out, const std::uint8_t* __restrict oldRow,
              const std::uint8_t* __restrict newRow, std::size_t bytes, std::uint16_t F,
              std::uint16_t G) {
    constexpr std::size_t kChunk = 32;
    std::size_t i = 0;
    for (; i + kChunk <= bytes; i += kChunk)
        for (std::size_t k = 0; k < kChunk; ++k)
            out[i + k] = mix(oldRow[i + k], newRow[i + k], F, G);
    for (; i < bytes; ++i) out[i] = mix(oldRow[i], newRow[i], F, G);
}

std::uint8_t* bytesOf(Pixel* p) {
    return reinterpret_cast<std::uint8_t*>(p);
}
const std::uint8_t* bytesOf(const Pixel* p) {
    return reinterpret_cast<const std::uint8_t*>(p);
}

}  // namespace

void blendRows(Bitmap& out, const Bitmap& oldPic, const Bitmap& newPic, int F) {
    F = std::clamp(F, 0, 256);
    const int w = std::min(oldPic.width(), newPic.width());
    const int h = std::min(oldPic.height(), newPic.height());
    out.setSize(w, h);
    const std::size_t bytes = std::size_t(w) * sizeof(Pixel);
    const auto f = std::uint16_t(F), g = std::uint16_t(256 - F);
    // Rows of equal width lie end to end: one call for the whole frame.
    if (oldPic.width() == w && newPic.width() == w) {
        blendRow(bytesOf(out.row(0)), bytesOf(oldPic.row(0)), bytesOf(newPic.row(0)),
                 bytes * std::size_t(h), f, g);
        return;
    }
    for (int y = 0; y < h; ++y)
        blendRow(bytesOf(out.row(y)), bytesOf(oldPic.row(y)), bytesOf(newPic.row(y)), bytes, f, g);
}

Rect blendAt(Bitmap& dst, int x, int y, const Bitmap& oldPic, const Bitmap& newPic, int F,
             const Rect& within) {
    F = std::clamp(F, 0, 256);
    const int w = std::min(oldPic.width(), newPic.width());
    const int h = std::min(oldPic.height(), newPic.height());
    const Rect area = Rect::fromSize(x, y, w, h).intersected(within).intersected(dst.rect());
    if (area.empty()) return {};
    const std::size_t bytes = std::size_t(area.width()) * sizeof(Pixel);
    const int from = area.left - x;
    const auto f = std::uint16_t(F), g = std::uint16_t(256 - F);
    for (int r = area.top; r < area.bottom; ++r)
        blendRow(bytesOf(dst.row(r) + area.left), bytesOf(oldPic.row(r - y) + from),
                 bytesOf(newPic.row(r - y) + from), bytes, f, g);
    return area;
}

}  // namespace quillo
