#pragma once
// Our own Windows bitmap decoder. The header is read into a struct and every field is checked
// before anything is allocated; any fault is InvalidGraphic.
#include <cstdint>
#include <span>

#include "Bitmap.h"

namespace quillo {

// Decodes a whole .bmp file (file header included) into a 24-bit bitmap.
Bitmap decodeBmp(std::span<const std::uint8_t> file);

}  // namespace quillo
