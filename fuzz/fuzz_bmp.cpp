// libFuzzer target for the bitmap decoder: any input either decodes or is InvalidGraphic, and a
// decode clipped to a small size is refused alike or is the top-left part of the whole.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

#include "BmpDecoder.h"
#include "Errors.h"

// Up to the program's own decoding budget, as the saver loads bitmaps.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    quillo::Bitmap whole;
    try {
        whole = quillo::decodeBmp(file, quillo::kDefaultPixelBudget);
        if (whole.empty()) __builtin_trap();  // a decoded picture always has pixels
        if (std::uint64_t(whole.width()) * std::uint64_t(whole.height()) >
            quillo::kDefaultPixelBudget)
            __builtin_trap();
    } catch (const quillo::InvalidGraphic&) {
    }
    quillo::DecodeOptions options;
    options.clip = {7, 5};
    try {
        const quillo::Bitmap part = quillo::decodeBmp(file, options);
        if (whole.empty() || part.width() != std::min(whole.width(), 7) ||
            part.height() != std::min(whole.height(), 5))
            __builtin_trap();
        for (int y = 0; y < part.height(); ++y)
            if (!std::equal(part.row(y), part.row(y) + part.width(), whole.row(y)))
                __builtin_trap();
    } catch (const quillo::InvalidGraphic&) {
        if (!whole.empty()) __builtin_trap();
    }
    return 0;
}
