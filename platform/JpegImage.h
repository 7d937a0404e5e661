#pragma once
// A JPEG picture: keeps the file's bytes and reads only the header at load; the pixels are
// decoded by libjpeg on first use and kept.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "Picture.h"

namespace quillo {

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
    mutable std::optional<Bitmap> decoded_;
};

}  // namespace quillo
