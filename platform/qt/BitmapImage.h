#pragma once
// Our bitmaps as QImages, for the host's text drawing and the dialog's pictures.
#include <QImage>

#include "Bitmap.h"

namespace quillo {

// A QImage over the bitmap's rows, without copying: valid only while the bitmap lives and is
// unchanged. Our pixel words are Qt's RGB32 (0xFFRRGGBB), which keeps the top byte 0xFF when it
// paints. Empty for an empty bitmap.
inline QImage wrapBitmap(const Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    return QImage(reinterpret_cast<const uchar*>(bitmap.data()), bitmap.width(), bitmap.height(),
                  qsizetype(bitmap.stride()), QImage::Format_RGB32);
}

// The same over a bitmap that may be painted on: painting writes into its rows.
inline QImage wrapBitmap(Bitmap& bitmap) {
    if (bitmap.empty()) return {};
    return QImage(reinterpret_cast<uchar*>(bitmap.data()), bitmap.width(), bitmap.height(),
                  qsizetype(bitmap.stride()), QImage::Format_RGB32);
}

}  // namespace quillo
