#pragma once
// A picture as the display and the dialog hold it: empty, a bitmap, or a JPEG picture whose
// pixels are decoded on first use. Copies share the immutable file data, so copying is cheap
// and a copy stays intact when its source is cleared or reloaded.
#include <memory>
#include <string>

#include "Bitmap.h"
#include "DecodeOptions.h"
#include "Exif.h"

namespace quillo {

// A decoded or decodable image. Implementations: a plain bitmap and a lazily decoded JPEG.
class Graphic {
public:
    virtual ~Graphic() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    // The file's picture is about scale() times width() by height() (see Picture::decodedScale).
    virtual int scale() const { return 1; }
    // The pixels as a bitmap of the picture's size; decodes on first call and keeps the
    // result. Throws JpegError when the image data cannot be decoded.
    virtual const Bitmap& bitmap() const = 0;
    // When the photo was taken, as its Exif block says; nothing when it does not.
    virtual std::optional<ExifDateTime> takenAt() const { return std::nullopt; }
};

class Picture {
public:
    enum class Kind { Empty, Bitmap, Jpeg };

    Picture() = default;
    explicit Picture(Bitmap bitmap);

    // Loads by extension, in any letter case: "jpg" and "jpeg" as JPEG, "bmp" as bitmap.
    // Throws InvalidGraphic (other extension, unreadable file, invalid bitmap, a bitmap over
    // options.pixelBudget, a JPEG over it even at 1/8), JpegError (bad JPEG header) or
    // DecodeStopped (a bitmap whose options' stop was raised); on failure the picture keeps
    // what it held. A JPEG keeps the stop for its first decode.
    //
    // The size contract: width() and height() are always the size of bitmap(), the pixels as
    // decoded. A bitmap file decodes at its own size. A JPEG decodes at its own size unless
    // `options` ask for less: over options.pixelBudget it decodes at the largest of 1/2, 1/4 and
    // 1/8 that fits, and with options.cover it decodes at the smallest of those that still
    // covers options.cover in both directions. decodedScale() then says which (2, 4 or 8): the
    // file's picture is W x H with width() = ceil(W / scale), height() = ceil(H / scale). The
    // scale is settled by the header at load, before any pixel is decoded.
    void loadFromFile(const std::string& path, const DecodeOptions& options);

    // Makes this an empty JPEG picture (no size, no pixels), as a fresh JPEG object is.
    void makeEmptyJpeg();

    Kind kind() const { return kind_; }
    bool empty() const { return width() == 0 || height() == 0; }
    int width() const { return graphic_ ? graphic_->width() : 0; }
    int height() const { return graphic_ ? graphic_->height() : 0; }
    // 1, or the libjpeg scale denominator (2, 4, 8) the picture was decoded at; see loadFromFile.
    int decodedScale() const { return graphic_ ? graphic_->scale() : 1; }
    void clear();
    // True when both are copies of one loaded or given picture (sharing its pixels).
    bool sameAs(const Picture& other) const { return graphic_ && graphic_ == other.graphic_; }

    // For a preview: keeps only `scaled`, a scaled copy of the pixels, and lets go of the full
    // picture and its file data. The kind and the reported size stay; bitmap() then gives the
    // scaled copy (its decodedScale() stays too). Loading, clearing or emptying the picture ends
    // this.
    void keepPreview(Bitmap scaled);
    bool isPreview() const { return preview_; }

    // The picture as a bitmap of its own size and colours (empty for an empty picture).
    // Decodes a JPEG on first use and keeps the pixels; throws JpegError when decoding fails.
    const Bitmap& bitmap() const;
    // When the photo was taken, as the file's Exif block says (read with its header); a copy
    // made of its pixels (shrunk, say) is given it with setTakenAt.
    const std::optional<ExifDateTime>& takenAt() const { return taken_; }
    void setTakenAt(std::optional<ExifDateTime> taken) { taken_ = taken; }

private:
    Kind kind_ = Kind::Empty;
    bool preview_ = false;
    std::shared_ptr<const Graphic> graphic_;
    std::optional<ExifDateTime> taken_;
};

// True when the extension of the file name (from its last dot), with a to z upper-cased, is
// ".BMP": such a file is loaded as a bitmap, any other as a JPEG picture.
bool IsBitmapFile(const std::string& path);

}  // namespace quillo
