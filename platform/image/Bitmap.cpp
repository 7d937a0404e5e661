#include "Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include <sys/mman.h>

#include "Errors.h"

namespace quillo {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
}  // namespace

void* allocatePixels(std::size_t bytes) {
    if (bytes < 4 * kHugePage) return ::operator new(bytes);
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    ::madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

void freePixels(void* p, std::size_t bytes) noexcept {
    if (bytes < 4 * kHugePage)
        ::operator delete(p);
    else
        std::free(p);
}

namespace {
void checkSize(int width, int height) {
    if (width < 0 || height < 0 || std::uint64_t(width) * std::uint64_t(height) > kMaxPicturePixels)
        throw InvalidGraphic("The picture is too large");
}
}  // namespace

Bitmap Bitmap::uninitialized(int width, int height) {
    checkSize(width, height);
    Bitmap b;
    b.width_ = width;
    b.height_ = height;
    b.data_.resize(std::size_t(width) * std::size_t(height) * 3);
    return b;
}

Bitmap::Bitmap(int width, int height) : Bitmap(uninitialized(width, height)) {
    // An empty bitmap has no buffer, and memset must not be given a null one.
    if (!data_.empty()) std::memset(data_.data(), 0, data_.size());
}

void Bitmap::setSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Bitmap resized(width, height);
    const int w = std::min(width, width_), h = std::min(height, height_);
    for (int r = 0; r < h; ++r) std::memcpy(resized.row(r), row(r), std::size_t(w) * 3);
    *this = std::move(resized);
}

void Bitmap::fill(Color c) {
    fillRect(rect(), c);
}

void Bitmap::fillRect(const Rect& area, Color c) {
    const Rect r = area.intersected(rect());
    if (r.empty()) return;
    const std::uint8_t px[3] = {std::uint8_t(blueOf(c)), std::uint8_t(greenOf(c)),
                                std::uint8_t(redOf(c))};
    for (int y = r.top; y < r.bottom; ++y) {
        std::uint8_t* p = row(y) + std::size_t(r.left) * 3;
        for (int x = r.left; x < r.right; ++x, p += 3) std::memcpy(p, px, 3);
    }
}

Color Bitmap::pixel(int x, int y) const {
    const std::uint8_t* p = row(y) + std::size_t(x) * 3;
    return rgb(p[2], p[1], p[0]);
}

void Bitmap::setPixel(int x, int y, Color c) {
    std::uint8_t* p = row(y) + std::size_t(x) * 3;
    p[0] = std::uint8_t(blueOf(c));
    p[1] = std::uint8_t(greenOf(c));
    p[2] = std::uint8_t(redOf(c));
}

}  // namespace quillo
