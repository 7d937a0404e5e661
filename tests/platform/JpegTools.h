#pragma once
// Test pictures made with the reference tools: PPM files we write, JPEG files from cjpeg or
// ImageMagick, and reference decodes from djpeg.
#include <cstdint>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "PpmWriter.h"

namespace quillo::test {

// Runs a shell command; fails the current test (and returns false) when it exits non-zero
// (or with a status other than libjpeg's "warning" 2 when `warningsOk`).
bool runTool(const std::string& command, bool warningsOk = false);

// A deterministic photo-like picture: gradients, a few shapes and some noise.
Bitmap makeTestImage(int width, int height, std::uint32_t seed = 1);

// Reads a binary PPM (P6) or PGM (P5) with maxval 255 into a bitmap; empty on failure.
Bitmap readPnm(const std::string& path);

// Writes `image` as a PPM next to `jpegPath` and compresses it with cjpeg and its `options`.
bool makeJpeg(const std::string& jpegPath, const Bitmap& image, const std::string& options);

// djpeg -dct int <options> -ppm of the file, read back.
Bitmap djpeg(const std::string& jpegPath, const std::string& options = "");

std::vector<std::uint8_t> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Number of pixels where the two bitmaps differ (sizes must match; -1 otherwise).
long differingPixels(const Bitmap& a, const Bitmap& b);

}  // namespace quillo::test
