#pragma once
// An off-screen bitmap in the screen's own pixel format: rows top to bottom, one 32-bit word a
// pixel, 0xFFRRGGBB in native byte order (blue first in memory on little-endian machines). That
// is what a true-colour X screen keeps, so a frame goes to it without conversion.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "Geometry.h"

namespace quillo {

// No bitmap may hold more pixels than this: a bound for size arithmetic and allocation. What a
// decoder may produce is the caller's pixel budget (DecodeOptions), which is far lower.
constexpr std::uint64_t kMaxPicturePixels = std::uint64_t(1) << 28;

// Leaves new elements uninitialised, so a decoder that writes every pixel touches the memory once
// instead of after a zero fill: for a large photo that halves the page-fault and write traffic.
template <class T>
struct DefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = DefaultInitAllocator<U>;
    };
    using std::allocator<T>::allocator;
    T* allocate(std::size_t n);
    void deallocate(T* p, std::size_t n) noexcept;
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

// Large pixel buffers ask for huge pages: a fresh 72 MB photo otherwise costs ~18,000 page faults.
// The last released large buffer is kept for the next one of about its size.
void* allocatePixels(std::size_t bytes);
void freePixels(void* p, std::size_t bytes) noexcept;

template <class T>
T* DefaultInitAllocator<T>::allocate(std::size_t n) {
    return static_cast<T*>(allocatePixels(n * sizeof(T)));
}
template <class T>
void DefaultInitAllocator<T>::deallocate(T* p, std::size_t n) noexcept {
    freePixels(p, n * sizeof(T));
}

// One pixel word: 0xFFRRGGBB. The top byte is always 0xFF, so a word is the same whether the
// screen reads it as padding or as opaque alpha.
using Pixel = std::uint32_t;
constexpr Pixel kPixelPad = 0xFF000000u;

constexpr Pixel pixelOf(Color c) {
    return kPixelPad | Pixel(redOf(c)) << 16 | Pixel(greenOf(c)) << 8 | Pixel(blueOf(c));
}
constexpr Color colorOf(Pixel p) {
    return rgb(int(p >> 16 & 0xFF), int(p >> 8 & 0xFF), int(p & 0xFF));
}
constexpr Pixel pixelOf(int r, int g, int b) {
    return kPixelPad | Pixel(r & 0xFF) << 16 | Pixel(g & 0xFF) << 8 | Pixel(b & 0xFF);
}

// Byte offsets of the channels inside a pixel word as it lies in memory.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr int kBlueByte = kLittleEndian ? 0 : 3;
constexpr int kGreenByte = kLittleEndian ? 1 : 2;
constexpr int kRedByte = kLittleEndian ? 2 : 1;
constexpr int kPadByte = kLittleEndian ? 3 : 0;

class Bitmap {
public:
    Bitmap() = default;
    // A black bitmap. Throws InvalidGraphic for negative sizes or more than kMaxPicturePixels.
    Bitmap(int width, int height);
    // Same checks, but the pixels are left undefined: for callers that write every one of them.
    static Bitmap uninitialized(int width, int height);
    // A bitmap over pixels it does not own, rows packed as stride() has them: the storage stays
    // while `owner` is held (a window's framebuffer in memory its host presents from). A copy
    // owns its pixels; moves and assignments to it take the storage along.
    static Bitmap over(int width, int height, Pixel* pixels, std::shared_ptr<void> owner);

    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    // Bytes from one row to the next.
    std::size_t stride() const { return std::size_t(width_) * sizeof(Pixel); }
    Rect rect() const { return {0, 0, width_, height_}; }

    Pixel* row(int r) { return data() + std::size_t(r) * std::size_t(width_); }
    const Pixel* row(int r) const { return data() + std::size_t(r) * std::size_t(width_); }
    Pixel* data() { return owner_ ? pixels_ : data_.data(); }
    const Pixel* data() const { return owner_ ? pixels_ : data_.data(); }
    std::size_t byteSize() const {
        return owner_ ? std::size_t(height_) * stride() : data_.size() * sizeof(Pixel);
    }

    // Changes the size, keeping the overlapping top-left pixels; new pixels are black.
    void setSize(int width, int height);
    void fill(Color c);
    void fillRect(const Rect& r, Color c);
    Color pixel(int x, int y) const { return colorOf(row(y)[x]); }
    void setPixel(int x, int y, Color c) { row(y)[x] = pixelOf(c); }

    // Copies the area (clipped to the bitmap) to dst, whose rows are dstStride bytes apart; dst
    // points at the place of the area's top-left pixel. For a screen's image in our format.
    void copyTo(const Rect& area, void* dst, std::size_t dstStride) const;

    friend bool operator==(const Bitmap& a, const Bitmap& b);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<Pixel, DefaultInitAllocator<Pixel>> data_;
    // Pixels held by someone else, kept alive by owner_ (unused when owner_ is empty).
    Pixel* pixels_ = nullptr;
    std::shared_ptr<void> owner_;
};

}  // namespace quillo
