#pragma once
// Where the display modes put pictures: plain functions of sizes, no windows, so every rule can
// be checked on its own.
#include "DisplayModeTable.h"
#include "Geometry.h"

namespace quillo {

class SaverRandom;

// Rounds to the nearest integer, halves to the even neighbour: Round(2.5) = 2, Round(3.5) = 4.
int Round(double v);

// The top-left corner that centres a w by h control on the screen, each coordinate one real
// expression rounded once: Round(SW / 2 - w / 2).
Point centerImage(Size screen, int w, int h);

// The quarter of the screen that a tile state fills (1 top left, 2 bottom left, 3 top right,
// any other value bottom right), leaving a one-pixel line of background between the quarters.
Rect tileRect(Size screen, int tileState);

// The top-left corner of a picture drawn at a random place: wholly on the screen when it fits,
// else somewhere in the first quarter, running off the far edge. Re-seeds once, then draws Y
// before X. With fullSizeTakesQuarter a picture exactly as large as the screen also takes the
// quarter rule (the fade's variant).
Point RandomPlacement(Size screen, int pictureWidth, int pictureHeight, SaverRandom& random,
                      bool fullSizeTakesQuarter = false);

// The box a picture shrunk under Fit must lie within to be shown wholly on the screen by a mode
// with that fit rule: the screen, less one column and one row where a placement sends a picture
// as wide or as high as the screen off its edge (the fade), and as high as the rolled rows land
// on the screen (a roll-down's picture lands one row below its centred place).
Size fitBox(Size screen, FitRule rule);

// The size a w by h picture is shrunk to under Fit: its own size when it lies within box, else
// the largest size of the same shape that does (at least 1 by 1).
Size fitSize(Size box, int w, int h);

// A busy pause of a fixed count, with no sleeping and no message handling.
void ShortPause();

}  // namespace quillo
