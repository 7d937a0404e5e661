#pragma once
// Writes a bitmap as a binary PPM (P6) file: the plain form the JPEG tools and ImageMagick read,
// for input made by tests and benchmarks.
#include <string>

#include "Bitmap.h"

namespace quillo {

void writePpm(const std::string& path, const Bitmap& bitmap);

}  // namespace quillo
