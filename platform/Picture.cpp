#include "Picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>

#include "BmpDecoder.h"
#include "Errors.h"
#include "JpegImage.h"

namespace quillo {

namespace {

int g_screenDepth = 24;

class BitmapGraphic : public Graphic {
public:
    explicit BitmapGraphic(Bitmap b) : bitmap_(std::move(b)) {}
    int width() const override { return bitmap_.width(); }
    int height() const override { return bitmap_.height(); }
    const Bitmap& bitmap() const override { return bitmap_; }

private:
    Bitmap bitmap_;
};

// The part of the file name after its last dot; nullopt when the name has no dot.
std::optional<std::string> extensionOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    return path.substr(dot + 1);
}

std::string asciiCase(std::string s, bool upper) {
    for (char& c : s) {
        if (upper && c >= 'a' && c <= 'z') c = char(c - 32);
        if (!upper && c >= 'A' && c <= 'Z') c = char(c + 32);
    }
    return s;
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw InvalidGraphic("Cannot open the picture file " + path);
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw InvalidGraphic("Not a picture file: " + path);
    // Read straight into a buffer of the file's size; a file that changes meanwhile just gives
    // what was there.
    std::vector<std::uint8_t> bytes(std::size_t(st.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw InvalidGraphic("Cannot read the picture file " + path);
        if (n == 0) break;
        done += std::size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

}  // namespace

bool IsBitmapFile(const std::string& path) {
    const std::optional<std::string> ext = extensionOf(path);
    return ext && asciiCase(*ext, true) == "BMP";
}

void setScreenColorDepth(int bitsPerPixel) {
    g_screenDepth = bitsPerPixel;
}
int screenColorDepth() {
    return g_screenDepth;
}

Picture::Picture(Bitmap bitmap)
    : kind_(Kind::Bitmap), graphic_(std::make_shared<BitmapGraphic>(std::move(bitmap))) {}

void Picture::loadFromFile(const std::string& path) {
    const std::string ext = asciiCase(extensionOf(path).value_or(""), false);
    if (ext == "bmp") {
        const std::vector<std::uint8_t> bytes = readWholeFile(path);
        graphic_ = std::make_shared<BitmapGraphic>(decodeBmp(bytes));
        kind_ = Kind::Bitmap;
    } else if (ext == "jpg" || ext == "jpeg") {
        graphic_ = std::make_shared<JpegImage>(readWholeFile(path));
        kind_ = Kind::Jpeg;
    } else {
        throw InvalidGraphic("Unknown picture file extension (." + ext + ")");
    }
}

void Picture::makeEmptyJpeg() {
    graphic_.reset();
    kind_ = Kind::Jpeg;
}

void Picture::clear() {
    graphic_.reset();
    kind_ = Kind::Empty;
}

const Bitmap& Picture::bitmap() const {
    static const Bitmap kEmpty;
    return graphic_ ? graphic_->bitmap() : kEmpty;
}

}  // namespace quillo
