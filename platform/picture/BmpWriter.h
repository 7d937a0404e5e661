#pragma once
// Writes a bitmap as a 24-bit BMP file: for looking at frames, and as input made by tests and
// demos.
#include <string>

#include "Bitmap.h"

namespace quillo {

void writeBmp24(const std::string& path, const Bitmap& bitmap);

}  // namespace quillo
