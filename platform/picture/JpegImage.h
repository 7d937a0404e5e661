#pragma once
// A JPEG picture: keeps the file's first bytes and reads only the header at load; the pixels are
// decoded by libjpeg on first use and kept.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "DecodeOptions.h"
#include "Exif.h"
#include "Picture.h"
#include "PictureFile.h"

namespace quillo {

// A bound on the bytes of a JPEG file that can hold image data, from the pixel count of its
// header: kJpegBytesPerPixel per pixel (an encoder at its finest quality on pure noise, with no
// chroma subsampling, stays below 3) plus kJpegMetadataBytes for tables and metadata segments.
constexpr std::uint64_t kJpegBytesPerPixel = 4;
constexpr std::uint64_t kJpegMetadataBytes = std::uint64_t(16) << 20;
// How many bytes of the file the decoder can use, judged from its first bytes: nullopt when the
// header runs past them (read more and ask again); the head itself when it is no JPEG header.
std::optional<std::uint64_t> jpegBytesNeeded(std::span<const std::uint8_t> head);

// The libjpeg scale 1/n (n = 1, 2, 4 or 8) at which a picture of the given size is decoded: the
// largest output within options.pixelBudget and, when options.cover is not empty, the smallest
// output that still covers it in both directions. 0 when even 1/8 is over the budget.
int jpegScaleFor(int width, int height, const DecodeOptions& options);

class JpegImage : public Graphic {
public:
    // Reads the header from `bytes` and settles the decoding scale; throws JpegError (bad
    // header) or InvalidGraphic (over the pixel budget even at 1/8). The image data are `bytes`
    // and then, when a file is given, its bytes after them up to `fileEnd`: those are read a
    // little at a time while decoding, so that the whole file never sits beside its pixels.
    JpegImage(std::vector<std::uint8_t> bytes, const DecodeOptions& options,
              std::unique_ptr<PictureFile> file = nullptr, std::uint64_t fileEnd = 0);
    ~JpegImage() override;

    // The size of the decoded picture, upright: the file's size divided by scale(), rounded up,
    // with width and height swapped when the Exif orientation turns it a quarter; or the sample
    // size, or the size cut to the clip of the decode options.
    int width() const override { return width_; }
    int height() const override { return height_; }
    int scale() const override { return scale_; }
    bool grayscale() const { return grayscale_; }
    // Decodes on first call (throws JpegError on damaged data, DecodeStopped when the options'
    // stop was raised meanwhile) and keeps the pixels.
    const Bitmap& bitmap() const override;
    std::optional<ExifDateTime> takenAt() const override { return taken_; }

private:
    // Where the decoded rows go in `out`: see the run's lines in JpegImage.cpp.
    struct Lines {
        std::vector<std::uint8_t*> start;
        std::vector<int> row;   // empty: line l is row l
        std::vector<int> pick;  // empty: pixel i is column i
        int length = 0;
        std::ptrdiff_t step = 4;  // bytes
    };
    Lines placeLines(Bitmap& out) const;

    // The file's first bytes and the open file, until its pixels are decoded.
    mutable std::vector<std::uint8_t> bytes_;
    mutable std::unique_ptr<PictureFile> file_;
    std::uint64_t fileEnd_ = 0;
    int width_ = 0;
    int height_ = 0;
    int scale_ = 1;
    // The decoded size before turning, and the Exif orientation (1 to 8) the pixels are turned
    // by; width_ and height_ are the turned size (or the sample or clip size).
    int storedWidth_ = 0;
    int storedHeight_ = 0;
    // True when the picture is the decode stretched to the options' sample size.
    bool sampled_ = false;
    int orientation_ = 1;
    std::optional<ExifDateTime> taken_;
    bool grayscale_ = false;
    bool quantize_ = false;
    std::uint64_t maxMemory_ = 0;
    // Asked during the first decode only.
    mutable DecodeOptions::Stop stop_;
    mutable std::optional<Bitmap> decoded_;
    // The data never change, so a decode that failed fails again: remember it instead of
    // decoding a broken picture at every repaint. Running out of memory is not remembered.
    mutable int failedCode_ = 0;
};

}  // namespace quillo
