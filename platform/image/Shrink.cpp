#include "Shrink.h"

#include <algorithm>
#include <vector>

#include "Errors.h"

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

// One output row: its source rows summed down with their row weights into `down` (one entry
// per source byte, the padding bytes too, which keeps the loop plain), then summed across with
// the column weights and divided by the total weight (rounded to the nearest level). Summing
// down first keeps the inner loop on contiguous bytes.
template <class Acc>
void shrinkRow(Pixel* out, const Bitmap& src, const Span& rs, const SpanTable& rows,
               const SpanTable& cols, int width, std::vector<Acc>& down) {
    std::fill(down.begin(), down.end(), Acc(0));
    for (int k = 0; k < rs.count; ++k) {
        // Restricted: the bytes read are no alias of the sums (unsigned char may alias anything,
        // which would keep the loop from being vectorised).
        const std::uint8_t* __restrict in =
            reinterpret_cast<const std::uint8_t*>(src.row(rs.first + k));
        const Acc wy = rows.weights[rs.weights + std::size_t(k)];
        Acc* __restrict d = down.data();
        for (std::size_t i = 0, n = down.size(); i < n; ++i) d[i] += wy * in[i];
    }
    const std::uint64_t total = std::uint64_t(src.width()) * std::uint64_t(src.height());
    const double inverse = 1.0 / double(total);
    constexpr int kChannels[3] = {kBlueByte, kGreenByte, kRedByte};
    for (int ox = 0; ox < width; ++ox) {
        const Span& cs = cols.spans[std::size_t(ox)];
        const Acc* p = down.data() + sizeof(Pixel) * std::size_t(cs.first);
        const std::uint32_t* wt = cols.weights.data() + cs.weights;
        std::uint64_t sum[3] = {0, 0, 0};
        for (int i = 0; i < cs.count; ++i, p += sizeof(Pixel))
            for (int c = 0; c < 3; ++c) sum[c] += std::uint64_t(wt[i]) * p[kChannels[c]];
        // A 64-bit division per channel would cost more than the sums: the quotient comes from a
        // multiplication, corrected by at most one.
        Pixel px = kPixelPad;
        for (int c = 0; c < 3; ++c) {
            const std::uint64_t n = sum[c] + total / 2;
            std::uint64_t q = std::uint64_t(double(n) * inverse);
            if (q * total > n)
                --q;
            else if ((q + 1) * total <= n)
                ++q;
            px |= Pixel(q) << (8 * c);  // blue, green, red from the word's low byte up
        }
        out[ox] = px;
    }
}

}  // namespace

Bitmap shrinkBitmap(const Bitmap& src, int width, int height, const DecodeStop* stop) {
    const int sw = src.width(), sh = src.height();
    width = std::clamp(width, 1, std::max(1, sw));
    height = std::clamp(height, 1, std::max(1, sh));
    if (src.empty()) return Bitmap(width, height);
    if (width == sw && height == sh) return src;
    const SpanTable cols = makeSpans(sw, width);
    const SpanTable rows = makeSpans(sh, height);
    Bitmap out = Bitmap::uninitialized(width, height);
    // The sums down stay below 255 x sh: 32 bits hold them for any real picture.
    if (std::uint64_t(sh) * 255 <= UINT32_MAX) {
        std::vector<std::uint32_t> down(src.stride());
        for (int oy = 0; oy < height; ++oy) {
            if (stop && stop->requested()) throw DecodeStopped();
            shrinkRow(out.row(oy), src, rows.spans[std::size_t(oy)], rows, cols, width, down);
        }
    } else {
        std::vector<std::uint64_t> down(src.stride());
        for (int oy = 0; oy < height; ++oy) {
            if (stop && stop->requested()) throw DecodeStopped();
            shrinkRow(out.row(oy), src, rows.spans[std::size_t(oy)], rows, cols, width, down);
        }
    }
    return out;
}

}  // namespace quillo
