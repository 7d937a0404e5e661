// libFuzzer target for the bitmap decoder: any input either decodes or is InvalidGraphic.
#include <cstddef>
#include <cstdint>
#include <span>

#include "BmpDecoder.h"
#include "Errors.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const quillo::Bitmap b = quillo::decodeBmp(std::span<const std::uint8_t>(data, size));
        if (b.empty()) __builtin_trap();  // a decoded picture always has pixels
    } catch (const quillo::InvalidGraphic&) {
    }
    return 0;
}
