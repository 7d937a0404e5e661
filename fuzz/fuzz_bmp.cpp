// libFuzzer target for the bitmap decoder: any input either decodes or is InvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "BmpDecoder.h"
#include "Errors.h"

namespace {

std::int64_t le(const std::uint8_t* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return bytes == 4 ? std::int64_t(std::int32_t(v)) : std::int64_t(v);
}

// The pixel count the header claims. A few bytes of RLE can legally describe a black picture of
// hundreds of megabytes; such inputs teach the fuzzer nothing new and slow it a hundredfold.
std::int64_t claimedPixels(const std::uint8_t* data, std::size_t size) {
    if (size < 26) return 0;
    const bool core = le(data + 14, 4) == 12;
    const std::int64_t w = core ? le(data + 18, 2) : le(data + 18, 4);
    const std::int64_t h = core ? le(data + 20, 2) : le(data + 22, 4);
    return std::llabs(w) * std::llabs(h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (claimedPixels(data, size) > (std::int64_t(1) << 22)) return -1;  // not worth keeping
    try {
        const quillo::Bitmap b = quillo::decodeBmp(std::span<const std::uint8_t>(data, size));
        if (b.empty()) __builtin_trap();  // a decoded picture always has pixels
    } catch (const quillo::InvalidGraphic&) {
    }
    return 0;
}
