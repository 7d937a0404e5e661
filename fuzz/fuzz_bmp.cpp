// libFuzzer target for the bitmap decoder: any input either decodes or is InvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <span>

#include "BmpDecoder.h"
#include "Errors.h"

// Up to the program's own decoding budget, as the saver loads bitmaps.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const quillo::Bitmap b = quillo::decodeBmp(std::span<const std::uint8_t>(data, size),
                                                   quillo::kDefaultPixelBudget);
        if (b.empty()) __builtin_trap();  // a decoded picture always has pixels
        if (std::uint64_t(b.width()) * std::uint64_t(b.height()) > quillo::kDefaultPixelBudget)
            __builtin_trap();
    } catch (const quillo::InvalidGraphic&) {
    }
    return 0;
}
