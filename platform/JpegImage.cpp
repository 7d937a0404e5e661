#include "JpegImage.h"

#include "Errors.h"

namespace quillo {

JpegImage::JpegImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
    throw JpegError(0);
}
JpegImage::~JpegImage() = default;
const Bitmap& JpegImage::bitmap() const { throw JpegError(0); }

}  // namespace quillo
