#include "Picture.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "AsciiCase.h"
#include "BmpDecoder.h"
#include "Errors.h"
#include "JpegImage.h"
#include "PictureFile.h"

namespace quillo {

namespace {

class BitmapGraphic : public Graphic {
public:
    explicit BitmapGraphic(Bitmap b) : bitmap_(std::move(b)) {}
    int width() const override { return bitmap_.width(); }
    int height() const override { return bitmap_.height(); }
    const Bitmap& bitmap() const override { return bitmap_; }

private:
    Bitmap bitmap_;
};

// What a preview keeps: the scaled pixels, and the size of the picture they were made from.
class PreviewGraphic : public Graphic {
public:
    PreviewGraphic(int width, int height, int scale, Bitmap scaled)
        : width_(width), height_(height), scale_(scale), scaled_(std::move(scaled)) {}
    int width() const override { return width_; }
    int height() const override { return height_; }
    int scale() const override { return scale_; }
    const Bitmap& bitmap() const override { return scaled_; }

private:
    int width_;
    int height_;
    int scale_;
    Bitmap scaled_;
};

// The part of the file name after its last dot; nullopt when the name has no dot.
std::optional<std::string> extensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    return path.substr(dot + 1);
}

// The first bytes of a JPEG file, through its header, and how many bytes of the file its
// header's pixel count can fill with image data: the decode reads on from the file up to there.
std::pair<std::vector<std::uint8_t>, std::uint64_t> readJpegHead(PictureFile& file) {
    std::vector<std::uint8_t> bytes;
    std::uint64_t head = std::uint64_t(64) << 10;
    for (;;) {
        file.readUpTo(bytes, head);
        if (const std::optional<std::uint64_t> need = jpegBytesNeeded(bytes))
            return {std::move(bytes), *need};
        // The header runs on past what was read; metadata segments before it stay far below
        // the bound, so a file whose header is not found within it is refused as cut short.
        if (bytes.size() < head || head >= kJpegMetadataBytes) {
            const std::uint64_t size = bytes.size();
            return {std::move(bytes), size};
        }
        head *= 4;
    }
}

}  // namespace

bool IsBitmapFile(const std::string& path) {
    const std::optional<std::string> ext = extensionOf(path);
    return ext && asciiUpper(*ext) == "BMP";
}

Picture::Picture(Bitmap bitmap)
    : kind_(Kind::Bitmap), graphic_(std::make_shared<BitmapGraphic>(std::move(bitmap))) {}

void Picture::loadFromFile(const std::string& path, const DecodeOptions& options) {
    const std::string ext = asciiLower(extensionOf(path).value_or(""));
    if (ext == "bmp") {
        const PictureFile file(path);
        graphic_ = std::make_shared<BitmapGraphic>(decodeBmp(file, options));
        taken_.reset();
        kind_ = Kind::Bitmap;
        preview_ = false;
    } else if (ext == "jpg" || ext == "jpeg") {
        auto file = std::make_unique<PictureFile>(path);
        auto [head, end] = readJpegHead(*file);
        graphic_ = std::make_shared<JpegImage>(std::move(head), options, std::move(file), end);
        taken_ = graphic_->takenAt();
        kind_ = Kind::Jpeg;
        preview_ = false;
    } else {
        throw InvalidGraphic("Unknown picture file extension (." + ext + ")");
    }
}

void Picture::keepPreview(Bitmap scaled) {
    graphic_ =
        std::make_shared<PreviewGraphic>(width(), height(), decodedScale(), std::move(scaled));
    preview_ = true;
}

void Picture::makeEmptyJpeg() {
    preview_ = false;
    graphic_.reset();
    taken_.reset();
    kind_ = Kind::Jpeg;
}

void Picture::clear() {
    preview_ = false;
    graphic_.reset();
    taken_.reset();
    kind_ = Kind::Empty;
}

const Bitmap& Picture::bitmap() const {
    static const Bitmap kEmpty;
    return graphic_ ? graphic_->bitmap() : kEmpty;
}

}  // namespace quillo
