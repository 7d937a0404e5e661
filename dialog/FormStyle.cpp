#include "FormStyle.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <cstring>

namespace quillo {

QFont formFont(const char* family, int points, bool bold, bool underline) {
    QFont font;
    if (std::strcmp(family, "Arial") == 0) {
        font.setFamily("Liberation Sans");
        font.setStyleHint(QFont::SansSerif);
    } else {
        font.setFamily("Sans Serif");
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPixelSize((points * 96 + 36) / 72);
    font.setBold(bold);
    font.setUnderline(underline);
    return font;
}

void setFormColor(QWidget& form) {
    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, kFormColor);
    form.setPalette(palette);
    form.setAutoFillBackground(true);
}

void centreOnScreen(QWidget& window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    window.move(area.x() + (area.width() - window.width()) / 2,
                area.y() + (area.height() - window.height()) / 2);
}

}  // namespace quillo
