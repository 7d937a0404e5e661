#include "CaptionText.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "BitmapImage.h"

namespace quillo {

Bitmap renderCaptionText(const std::string& text, int height, int maxWidth) {
    if (height <= 0 || maxWidth <= 0) return {};
    QFont font;
    font.setFamilies({"DejaVu Sans", "Liberation Sans"});
    font.setStyleHint(QFont::SansSerif);
    // A little heavier than text on paper: it has to hold its own over any photo.
    font.setWeight(QFont::DemiBold);
    // The glyphs' ascent and descent within the band, with a little air above and below.
    font.setPixelSize(std::max(1, height * 7 / 10));
    const QFontMetrics metrics(font);
    const int margin = height / 4;
    // fromUtf8 turns every invalid sequence into U+FFFD.
    QString line = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const int room = std::max(0, maxWidth - 2 * margin);
    if (metrics.horizontalAdvance(line) > room)
        line = metrics.elidedText(line, Qt::ElideMiddle, room);
    const int width = std::min(maxWidth, 2 * margin + metrics.horizontalAdvance(line));
    Bitmap out(std::max(0, width), height);
    QImage image = wrapBitmap(out);
    if (image.isNull()) return out;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    const int baseline = (height + metrics.ascent() - metrics.descent()) / 2;
    painter.setPen(QColor(255, 255, 255));
    painter.drawText(margin, baseline, line);
    return out;
}

}  // namespace quillo
