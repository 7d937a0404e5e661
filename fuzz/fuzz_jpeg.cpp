// Feeds arbitrary bytes to the JPEG picture: header at load, then the full decode, on both the
// true-colour and the palette path. Only the named picture errors may come out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Errors.h"
#include "JpegImage.h"

namespace {

// Large headers are legal but make each run slow and memory-hungry without reaching new code.
constexpr std::uint64_t kMaxFuzzPixels = std::uint64_t(1) << 20;

void loadAndConvert(const std::uint8_t* data, std::size_t size, int depth) {
    quillo::setScreenColorDepth(depth);
    try {
        const quillo::JpegImage jpeg(std::vector<std::uint8_t>(data, data + size));
        if (std::uint64_t(jpeg.width()) * std::uint64_t(jpeg.height()) > kMaxFuzzPixels) return;
        const quillo::Bitmap& b = jpeg.bitmap();
        if (b.width() != jpeg.width() || b.height() != jpeg.height()) __builtin_trap();
    } catch (const quillo::JpegError&) {
    } catch (const quillo::InvalidGraphic&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    loadAndConvert(data, size, 24);
    loadAndConvert(data, size, 8);
    return 0;
}
