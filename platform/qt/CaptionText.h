#pragma once
// A caption's text drawn by Qt (the host's renderCaption): white on black in the desktop's sans
// serif, elided in the middle when it is too long, with whatever fallback fonts hold the
// characters the main face lacks.
#include <string>

#include "Bitmap.h"

namespace quillo {

Bitmap renderCaptionText(const std::string& text, int height, int maxWidth);

}  // namespace quillo
