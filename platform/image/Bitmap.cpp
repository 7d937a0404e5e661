#include "Bitmap.h"

#include <malloc.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

#include <sys/mman.h>

#include "Errors.h"

namespace quillo {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kLargeBuffer = 4 * kHugePage;

// The last released buffer of its size class, kept for the next bitmap of about its size: a
// fresh buffer costs a page fault and the kernel's zeroing for every page on its first write, a
// sixth of a slide show's tick at 24 megapixels. One is enough for a show, whose next picture
// is decoded while the one shown still holds its buffer; it costs the memory of one picture
// between ticks. A buffer larger than a picture of the default budget is never kept.
class PixelPool {
public:
    // The kept buffer when it holds at least `bytes` and not a quarter more, or nullptr. A
    // screen-sized buffer may be a huge page more: the aligned allocation's slack can make it so.
    void* take(std::size_t bytes) {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!kept_ || capacity_ < bytes || capacity_ - bytes > std::max(bytes / 4, kHugePage))
            return nullptr;
        return std::exchange(kept_, nullptr);
    }
    // Keeps the buffer in place of the one kept so far; false when it is not worth keeping.
    bool keep(void* p, std::size_t capacity) {
        if (capacity > kMaxKept) return false;
        std::lock_guard<std::mutex> lock(mutex_);
        std::free(std::exchange(kept_, p));
        capacity_ = capacity;
        return true;
    }

private:
    static constexpr std::size_t kMaxKept = std::size_t(256) << 20;
    std::mutex mutex_;
    void* kept_ = nullptr;
    std::size_t capacity_ = 0;
};

std::size_t roundedToHugePages(std::size_t bytes) {
    return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

// One pool for whole pictures and one for screen-sized bitmaps, such as the scaled copy a
// stretched picture paints from, made again at every tick. Never destroyed: buffers may go at
// exit.
PixelPool& poolFor(std::size_t bytes) {
    static PixelPool* const pictures = new PixelPool;
    static PixelPool* const screens = new PixelPool;
    return roundedToHugePages(bytes) >= kLargeBuffer ? *pictures : *screens;
}

}  // namespace

// Buffers of a huge page or more sit on huge pages where the kernel allows it: a fade walks three
// screen-sized bitmaps 101 times, and with small pages each walk misses the address cache on
// every page.
void* allocatePixels(std::size_t bytes) {
    if (bytes < kHugePage) return ::operator new(bytes);
    const std::size_t rounded = roundedToHugePages(bytes);
    if (void* kept = poolFor(bytes).take(rounded)) return kept;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    // The last huge page only when the pixels fill most of it: one they fill a third of would
    // hold well over a megabyte of nothing, as long as the buffer lives. Said outright, as a
    // kernel that gives huge pages unasked would give one there too.
    const std::size_t tail = bytes % kHugePage;
    const bool wholeLast = tail == 0 || tail >= kHugePage / 2;
    const std::size_t huge = wholeLast ? rounded : rounded - kHugePage;
    ::madvise(p, huge, MADV_HUGEPAGE);
    if (!wholeLast) ::madvise(static_cast<char*>(p) + huge, kHugePage, MADV_NOHUGEPAGE);
    return p;
}

void freePixels(void* p, std::size_t bytes) noexcept {
    if (bytes < kHugePage) {
        ::operator delete(p);
        return;
    }
    // A kept buffer may have come back for a somewhat smaller picture: its whole size counts.
    const std::size_t capacity = std::max(roundedToHugePages(bytes), ::malloc_usable_size(p));
    if (!poolFor(bytes).keep(p, capacity / kHugePage * kHugePage)) std::free(p);
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
    b.data_.resize(std::size_t(width) * std::size_t(height));
    return b;
}

Bitmap Bitmap::over(int width, int height, Pixel* pixels, std::shared_ptr<void> owner) {
    checkSize(width, height);
    Bitmap b;
    b.width_ = width;
    b.height_ = height;
    b.pixels_ = pixels;
    b.owner_ = std::move(owner);
    return b;
}

Bitmap::Bitmap(const Bitmap& other)
    : width_(other.width_),
      height_(other.height_),
      data_(other.data(), other.data() + other.byteSize() / sizeof(Pixel)) {}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) *this = Bitmap(other);
    return *this;
}

bool operator==(const Bitmap& a, const Bitmap& b) {
    return a.width_ == b.width_ && a.height_ == b.height_ &&
           std::equal(a.data(), a.data() + a.byteSize() / sizeof(Pixel), b.data());
}

Bitmap::Bitmap(int width, int height) : Bitmap(uninitialized(width, height)) {
    std::fill(data_.begin(), data_.end(), pixelOf(clBlack));
}

void Bitmap::setSize(int width, int height) {
    if (width == width_ && height == height_) return;
    Bitmap resized(width, height);
    const int w = std::min(width, width_), h = std::min(height, height_);
    for (int r = 0; r < h; ++r) std::memcpy(resized.row(r), row(r), std::size_t(w) * sizeof(Pixel));
    *this = std::move(resized);
}

void Bitmap::copyTo(const Rect& area, void* dst, std::size_t dstStride) const {
    const Rect r = area.intersected(rect());
    if (r.empty()) return;
    // dst stays at the area's own corner when clipping moves the top-left.
    auto* out = static_cast<std::uint8_t*>(dst) + std::size_t(r.top - area.top) * dstStride +
                std::size_t(r.left - area.left) * sizeof(Pixel);
    for (int y = r.top; y < r.bottom; ++y, out += dstStride)
        std::memcpy(out, row(y) + r.left, std::size_t(r.width()) * sizeof(Pixel));
}

void Bitmap::fill(Color c) {
    fillRect(rect(), c);
}

void Bitmap::fillRect(const Rect& area, Color c) {
    const Rect r = area.intersected(rect());
    if (r.empty()) return;
    const Pixel px = pixelOf(c);
    for (int y = r.top; y < r.bottom; ++y) std::fill(row(y) + r.left, row(y) + r.right, px);
}

}  // namespace quillo
