#include "Picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "AsciiCase.h"
#include "BmpDecoder.h"
#include "Errors.h"
#include "JpegImage.h"

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

// A picture file opened for reading. Opening never blocks (a FIFO would wait for a writer) and
// only a regular file is read: anything else is the unreadable file.
class PictureFile {
public:
    explicit PictureFile(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd_ < 0) throw InvalidGraphic("Cannot open the picture file " + path);
        struct stat st {};
        if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd_);
            throw InvalidGraphic("Not a picture file: " + path);
        }
        size_ = std::uint64_t(st.st_size);
    }
    ~PictureFile() { ::close(fd_); }
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    std::uint64_t size() const { return size_; }

    // Reads on into bytes until it holds `limit` bytes (never more than the file's size at open)
    // or the file ends; a file that changes meanwhile just gives what was there.
    void readUpTo(std::vector<std::uint8_t>& bytes, std::uint64_t limit) {
        const std::size_t target = std::size_t(std::min(limit, size_));
        if (target <= bytes.size()) return;
        std::size_t done = bytes.size();
        bytes.resize(target);
        while (done < bytes.size()) {
            const ssize_t n = ::pread(fd_, bytes.data() + done, bytes.size() - done, off_t(done));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) throw InvalidGraphic("Cannot read the picture file " + path_);
            if (n == 0) break;
            done += std::size_t(n);
        }
        bytes.resize(done);
    }

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Only as much of a bitmap as its header says the pixels can take.
std::vector<std::uint8_t> readBmpFile(const std::string& path, std::uint64_t pixelBudget) {
    PictureFile file(path);
    std::vector<std::uint8_t> bytes;
    file.readUpTo(bytes, kBmpHeadBytes);
    file.readUpTo(bytes, bmpBytesNeeded(bytes, pixelBudget));
    return bytes;
}

// Only as much of a JPEG file as its header's pixel count can fill with image data.
std::vector<std::uint8_t> readJpegFile(const std::string& path) {
    PictureFile file(path);
    std::vector<std::uint8_t> bytes;
    std::uint64_t head = std::uint64_t(64) << 10;
    for (;;) {
        file.readUpTo(bytes, head);
        if (const std::optional<std::uint64_t> need = jpegBytesNeeded(bytes)) {
            file.readUpTo(bytes, *need);
            return bytes;
        }
        // The header runs on past what was read; metadata segments before it stay far below
        // the bound, so a file whose header is not found within it is refused as cut short.
        if (bytes.size() < head || head >= kJpegMetadataBytes) return bytes;
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
        const std::vector<std::uint8_t> bytes = readBmpFile(path, options.pixelBudget);
        graphic_ = std::make_shared<BitmapGraphic>(decodeBmp(bytes, options.pixelBudget));
        kind_ = Kind::Bitmap;
        preview_ = false;
    } else if (ext == "jpg" || ext == "jpeg") {
        graphic_ = std::make_shared<JpegImage>(readJpegFile(path), options);
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
    kind_ = Kind::Jpeg;
}

void Picture::clear() {
    preview_ = false;
    graphic_.reset();
    kind_ = Kind::Empty;
}

const Bitmap& Picture::bitmap() const {
    static const Bitmap kEmpty;
    return graphic_ ? graphic_->bitmap() : kEmpty;
}

}  // namespace quillo
