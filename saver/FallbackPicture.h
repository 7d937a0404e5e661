#pragma once
// The picture shown in place of any picture that fails to load: 72 by 65 pixels, 24 bits,
// "BAD" above "PIC!" in black block capitals on white.
#include "Bitmap.h"

namespace quillo {

const Bitmap& fallbackPicture();

// The fallback picture as a picture of the screen's size, for the modes that cover the screen
// with their picture: the card centred (as a centred control is) on the background colour, so
// that it is seen whole and the screen is covered as by any photo.
Bitmap fallbackCard(Size screen, Color background);

}  // namespace quillo
