#pragma once
// A JPEG picture: keeps the file's bytes and reads only the header at load; the pixels are
// decoded by libjpeg on first use and kept.
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "Picture.h"

namespace quillo {

// A bound on the bytes of a JPEG file that can hold image data, from the pixel count of its
// header: kJpegBytesPerPixel per pixel (an encoder at its finest quality on pure noise, with no
// chroma subsampling, stays below 3) plus kJpegMetadataBytes for tables and metadata segments.
// For the largest picture allowed (kMaxPicturePixels) that is 1 GiB + 16 MiB.
constexpr std::uint64_t kJpegBytesPerPixel = 4;
constexpr std::uint64_t kJpegMetadataBytes = std::uint64_t(16) << 20;
// How many bytes of the file the decoder can use, judged from its first bytes: nullopt when the
// header runs past them (read more and ask again); the head itself when it is no JPEG header.
std::optional<std::uint64_t> jpegBytesNeeded(std::span<const std::uint8_t> head);

class JpegImage : public Graphic {
public:
    // Reads the header; throws JpegError (bad header) or InvalidGraphic (more pixels than
    // kMaxPicturePixels).
    explicit JpegImage(std::vector<std::uint8_t> bytes);
    ~JpegImage() override;

    int width() const override { return width_; }
    int height() const override { return height_; }
    bool grayscale() const { return grayscale_; }
    // Decodes on first call (throws JpegError on damaged data) and keeps the pixels.
    const Bitmap& bitmap() const override;

private:
    std::vector<std::uint8_t> bytes_;
    int width_ = 0;
    int height_ = 0;
    bool grayscale_ = false;
    // The Exif orientation (1 to 8) the decoded pixels are turned by; width_ and height_ are
    // the turned size.
    int orientation_ = 1;
    mutable std::optional<Bitmap> decoded_;
    // The data never change, so a decode that failed fails again: remember it instead of
    // decoding a broken picture at every repaint. Running out of memory is not remembered.
    mutable int failedCode_ = 0;
};

}  // namespace quillo
