#pragma once
// A 24-bit off-screen bitmap: rows top to bottom, 3 bytes a pixel in the order blue, green, red.
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
    static Bitmap over(int width, int height, std::uint8_t* pixels, std::shared_ptr<void> owner);

    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap& other);
    Bitmap(Bitmap&&) noexcept = default;
    Bitmap& operator=(Bitmap&&) noexcept = default;

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ == 0 || height_ == 0; }
    std::size_t stride() const { return std::size_t(width_) * 3; }
    Rect rect() const { return {0, 0, width_, height_}; }

    std::uint8_t* row(int r) { return data() + std::size_t(r) * stride(); }
    const std::uint8_t* row(int r) const { return data() + std::size_t(r) * stride(); }
    std::uint8_t* data() { return owner_ ? pixels_ : data_.data(); }
    const std::uint8_t* data() const { return owner_ ? pixels_ : data_.data(); }
    std::size_t byteSize() const { return owner_ ? std::size_t(height_) * stride() : data_.size(); }

    // Changes the size, keeping the overlapping top-left pixels; new pixels are black.
    void setSize(int width, int height);
    void fill(Color c);
    void fillRect(const Rect& r, Color c);
    Color pixel(int x, int y) const;
    void setPixel(int x, int y, Color c);

    friend bool operator==(const Bitmap& a, const Bitmap& b);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>> data_;
    // Pixels held by someone else, kept alive by owner_ (unused when owner_ is empty).
    std::uint8_t* pixels_ = nullptr;
    std::shared_ptr<void> owner_;
};

}  // namespace quillo
