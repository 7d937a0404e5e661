#include "PixelConvert.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define QUILLO_X86_SHUFFLE 1
#endif

namespace quillo {

namespace {

inline std::uint32_t xrgb(const std::uint8_t* p) {
    return 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
}

void rowPlain(std::uint32_t* dst, const std::uint8_t* src, int n) {
    for (int x = 0; x < n; ++x) dst[x] = xrgb(src + 3 * x);
}

#ifdef QUILLO_X86_SHUFFLE
// Four pixels per byte shuffle, two shuffles a step. The second load reads 16 bytes for 12, so
// the loop stops while at least 10 pixels remain and the rest go one by one: no read past the row.
__attribute__((target("ssse3"))) void rowShuffle(std::uint32_t* dst, const std::uint8_t* src,
                                                 int n) {
    const __m128i order = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    int x = 0;
    for (; x + 10 <= n; x += 8) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x + 12));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x),
                         _mm_or_si128(_mm_shuffle_epi8(a, order), alpha));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + x + 4),
                         _mm_or_si128(_mm_shuffle_epi8(b, order), alpha));
    }
    for (; x < n; ++x) dst[x] = xrgb(src + 3 * x);
}
#endif

}  // namespace

void toXrgb32(const Bitmap& src, const Rect& area, std::uint8_t* dst, std::size_t dstStride,
              PixelPath path) {
    const Rect r = area.intersected(src.rect());
    if (r.empty()) return;
    // The skipped part of a clipped area moves the destination with it.
    dst += std::size_t(r.top - area.top) * dstStride + std::size_t(r.left - area.left) * 4;
#ifdef QUILLO_X86_SHUFFLE
    static const bool hasShuffle = __builtin_cpu_supports("ssse3");
    const bool shuffle = hasShuffle && path == PixelPath::Fastest;
#else
    (void)path;
#endif
    for (int y = r.top; y < r.bottom; ++y, dst += dstStride) {
        auto* out = reinterpret_cast<std::uint32_t*>(dst);
        const std::uint8_t* in = src.row(y) + std::size_t(r.left) * 3;
#ifdef QUILLO_X86_SHUFFLE
        if (shuffle) {
            rowShuffle(out, in, r.width());
            continue;
        }
#endif
        rowPlain(out, in, r.width());
    }
}

}  // namespace quillo
