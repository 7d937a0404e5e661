#pragma once
// What the caller allows a picture's decoding to cost and how it wants the result: passed down
// by whoever loads a picture, never read from a global.
#include <cstdint>

#include "DecodeStop.h"
#include "Geometry.h"

namespace quillo {

// The default decoding budget: 64 megapixels (a bitmap of 256 MiB).
constexpr std::uint64_t kDefaultPixelBudget = std::uint64_t(64) << 20;

struct DecodeOptions {
    // Screens of 8 bits per pixel or fewer make JPEG decoding quantise to a palette.
    int screenDepth = 24;
    // At most this many pixels are decoded: a larger JPEG is decoded at the largest of libjpeg's
    // scales 1/2, 1/4, 1/8 that fits; a larger bitmap does not load.
    std::uint64_t pixelBudget = kDefaultPixelBudget;
    // When not empty, a JPEG may be decoded at the smallest of those scales whose size still
    // covers this size in both directions (a picture to be shrunk to fit a screen).
    Size cover{};
    // When not empty, only the top-left part of this size is wanted (a fade never shows more
    // than the screen): a JPEG is then that part of its upright picture alone, the rest read but
    // not kept; a bitmap stays whole.
    Size clip{};
    // When not empty, the picture is only wanted stretched to this size by nearest neighbour (a
    // tile): a JPEG is then decoded to exactly that stretch of its upright picture, keeping only
    // the pixels it samples; a bitmap stays whole.
    Size sample{};
    // Who may stop the decode part way; nobody when empty. Not part of what is asked for: the
    // pixels are the same whoever may stop their decode, so it always compares equal, and a
    // request handed to the decode ahead with its stop is still the request a tick asks for.
    struct Stop {
        const DecodeStop* by = nullptr;
        bool requested() const noexcept { return by && by->requested(); }
        friend bool operator==(const Stop&, const Stop&) { return true; }
    } stop{};

    friend bool operator==(const DecodeOptions&, const DecodeOptions&) = default;
};

}  // namespace quillo
