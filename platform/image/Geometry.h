#pragma once
#include <algorithm>
#include <cstdint>

namespace quillo {

// 0x00BBGGRR: red in the low byte.
using Color = std::uint32_t;

constexpr Color rgb(int r, int g, int b) {
    return Color(r & 0xFF) | Color(g & 0xFF) << 8 | Color(b & 0xFF) << 16;
}
constexpr int redOf(Color c) {
    return int(c & 0xFF);
}
constexpr int greenOf(Color c) {
    return int(c >> 8 & 0xFF);
}
constexpr int blueOf(Color c) {
    return int(c >> 16 & 0xFF);
}

constexpr Color clBlack = rgb(0, 0, 0);
constexpr Color clGray = rgb(128, 128, 128);
constexpr Color clSilver = rgb(192, 192, 192);
constexpr Color clWhite = rgb(255, 255, 255);
constexpr Color clNavy = rgb(0, 0, 128);
constexpr Color clPurple = rgb(128, 0, 128);
constexpr Color clMaroon = rgb(128, 0, 0);
constexpr Color clGreen = rgb(0, 128, 0);
constexpr Color clAqua = rgb(0, 255, 255);
constexpr Color clFuchsia = rgb(255, 0, 255);
constexpr Color clYellow = rgb(255, 255, 0);
constexpr Color clRed = rgb(255, 0, 0);
constexpr Color clLime = rgb(0, 255, 0);
constexpr Color clBlue = rgb(0, 0, 255);

struct Point {
    int x = 0;
    int y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int width = 0;
    int height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// Half-open rectangle: left and top inside, right and bottom outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    // Coordinates are kept within +-2^30, so that no edge or size computed from them overflows
    // whatever sizes a settings file asks for.
    static constexpr int kCoordinateLimit = 1 << 30;
    static constexpr int clampCoordinate(long long v) {
        return int(std::clamp<long long>(v, -kCoordinateLimit, kCoordinateLimit - 1));
    }
    static constexpr Rect fromSize(int left, int top, int width, int height) {
        return {clampCoordinate(left), clampCoordinate(top),
                clampCoordinate((long long)left + width), clampCoordinate((long long)top + height)};
    }
    constexpr int width() const { return right - left; }
    constexpr int height() const { return bottom - top; }
    constexpr bool empty() const { return right <= left || bottom <= top; }
    constexpr bool contains(int x, int y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
    constexpr Rect intersected(const Rect& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace quillo
