#include "Shrink.h"

#include <algorithm>
#include <vector>

namespace quillo {

namespace {

// The source cells that one output cell covers, with their weights. In units where a source
// cell is dstLen long and an output cell srcLen long, the weights of an output cell add up to
// srcLen.
struct Span {
    int first;
    int count;
    std::size_t weights;  // index of the first weight
};

struct SpanTable {
    std::vector<Span> spans;
    std::vector<std::uint32_t> weights;
};

SpanTable makeSpans(int srcLen, int dstLen) {
    SpanTable t;
    t.spans.reserve(std::size_t(dstLen));
    t.weights.reserve(std::size_t(srcLen) + std::size_t(dstLen));
    for (int d = 0; d < dstLen; ++d) {
        const std::uint64_t lo = std::uint64_t(d) * std::uint64_t(srcLen);
        const std::uint64_t hi = lo + std::uint64_t(srcLen);
        const int first = int(lo / std::uint64_t(dstLen));
        const int last = int((hi - 1) / std::uint64_t(dstLen));
        Span s{first, last - first + 1, t.weights.size()};
        for (int i = first; i <= last; ++i) {
            const std::uint64_t cellLo = std::uint64_t(i) * std::uint64_t(dstLen);
            const std::uint64_t cellHi = cellLo + std::uint64_t(dstLen);
            t.weights.push_back(std::uint32_t(std::min(hi, cellHi) - std::max(lo, cellLo)));
        }
        t.spans.push_back(s);
    }
    return t;
}

}  // namespace

Bitmap shrinkBitmap(const Bitmap& src, int width, int height) {
    const int sw = src.width(), sh = src.height();
    width = std::clamp(width, 1, std::max(1, sw));
    height = std::clamp(height, 1, std::max(1, sh));
    if (src.empty()) return Bitmap(width, height);
    if (width == sw && height == sh) return src;
    const SpanTable cols = makeSpans(sw, width);
    const SpanTable rows = makeSpans(sh, height);
    Bitmap out = Bitmap::uninitialized(width, height);
    const std::size_t outBytes = std::size_t(width) * 3;
    // Each output row sums its source rows, each averaged across with the column weights and
    // added with its row weight; one division per output byte at the end. The sums stay below
    // 255 x sw x sh, far inside 64 bits.
    std::vector<std::uint64_t> sum(outBytes);
    const std::uint64_t total = std::uint64_t(sw) * std::uint64_t(sh);
    for (int oy = 0; oy < height; ++oy) {
        const Span& rs = rows.spans[std::size_t(oy)];
        std::fill(sum.begin(), sum.end(), 0);
        for (int k = 0; k < rs.count; ++k) {
            const std::uint8_t* in = src.row(rs.first + k);
            const std::uint64_t wy = rows.weights[rs.weights + std::size_t(k)];
            std::uint64_t* acc = sum.data();
            for (int ox = 0; ox < width; ++ox, acc += 3) {
                const Span& cs = cols.spans[std::size_t(ox)];
                const std::uint8_t* p = in + 3 * std::size_t(cs.first);
                const std::uint32_t* wt = cols.weights.data() + cs.weights;
                std::uint64_t b = 0, g = 0, r = 0;
                for (int i = 0; i < cs.count; ++i, p += 3) {
                    b += std::uint64_t(wt[i]) * p[0];
                    g += std::uint64_t(wt[i]) * p[1];
                    r += std::uint64_t(wt[i]) * p[2];
                }
                acc[0] += wy * b;
                acc[1] += wy * g;
                acc[2] += wy * r;
            }
        }
        std::uint8_t* o = out.row(oy);
        for (std::size_t i = 0; i < outBytes; ++i)
            o[i] = std::uint8_t((sum[i] + total / 2) / total);
    }
    return out;
}

}  // namespace quillo
