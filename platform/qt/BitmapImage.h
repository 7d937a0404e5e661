#pragma once
// Showing our own pictures in Qt widgets.
#include <QImage>

#include "Bitmap.h"

namespace quillo {

// A QImage over the bitmap's rows (blue, green, red bytes), without copying: valid only while
// the bitmap lives and is unchanged.
inline QImage wrapBitmap(const Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    return QImage(bitmap.data(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()),
                  QImage::Format_BGR888);
}

}  // namespace quillo
