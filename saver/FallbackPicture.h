#pragma once
// The picture shown in place of any picture that fails to load: 72 by 65 pixels, 24 bits,
// "BAD" above "PIC!" in black block capitals on white.
#include "Bitmap.h"

namespace quillo {

const Bitmap& fallbackPicture();

}  // namespace quillo
