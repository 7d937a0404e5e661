#pragma once
// Our bitmaps as QImages, for the host's text drawing and the dialog's pictures.
#include <QImage>

#include "Bitmap.h"

namespace quillo {

// A QImage over the bitmap's rows (blue, green, red bytes), without copying: valid only while
// the bitmap lives and is unchanged. Empty for an empty bitmap.
inline QImage wrapBitmap(const Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    return QImage(bitmap.data(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()),
                  QImage::Format_BGR888);
}

// The same over a bitmap that may be painted on: painting writes into its rows.
inline QImage wrapBitmap(Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    return QImage(bitmap.data(), bitmap.width(), bitmap.height(), qsizetype(bitmap.stride()),
                  QImage::Format_BGR888);
}

}  // namespace quillo
