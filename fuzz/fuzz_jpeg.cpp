// Feeds arbitrary bytes to the JPEG picture: header at load, then the full decode, on both the
// true-colour and the palette path, whole and in part. Only the named picture errors may come out.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "Errors.h"
#include "JpegImage.h"

namespace {

// Up to the program's own decoding budget: libjpeg's memory is capped by the same budget, so a
// large header with little data behind it fails fast instead of costing gigabytes.
void loadAndConvert(const std::uint8_t* data, std::size_t size, int depth,
                    quillo::DecodeOptions options = {}) {
    options.screenDepth = depth;
    try {
        const quillo::JpegImage jpeg(std::vector<std::uint8_t>(data, data + size), options);
        if (std::uint64_t(jpeg.width()) * std::uint64_t(jpeg.height()) > options.pixelBudget)
            __builtin_trap();
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
    // As the fade and the tiles ask for it: a top-left part, or a stretch, of a size taken from
    // the input's last bytes.
    if (size >= 2) {
        const quillo::Size part{1 + data[size - 1] % 97, 1 + data[size - 2] % 89};
        quillo::DecodeOptions options;
        (data[size - 1] & 1 ? options.sample : options.clip) = part;
        loadAndConvert(data, size, data[size - 2] & 1 ? 8 : 24, options);
    }
    return 0;
}
