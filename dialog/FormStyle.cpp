#include "FormStyle.h"

#include <QGroupBox>
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

void useFormGroupFrames(QWidget& form) {
    // An etched line: a dark and a light one side by side.
    const QString sheet(
        "QGroupBox { margin-top: 6px; border: 2px groove rgb(200, 200, 200); }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 7px; padding: 0px 1px; background-color: palette(window); }");
    for (QGroupBox* group : form.findChildren<QGroupBox*>()) group->setStyleSheet(sheet);
}

QPoint placeWithin(const QRect& area, const QSize& window) {
    if (window.width() > area.width() || window.height() > area.height()) return area.topLeft();
    return {area.x() + (area.width() - window.width()) / 2,
            area.y() + (area.height() - window.height()) / 2};
}

void placeOnScreen(QWidget& window, const QWidget* over) {
    // The screen under the middle of `over`; one moved partly off every screen keeps the screen
    // the system last gave it.
    const QScreen* screen = over ? QGuiApplication::screenAt(over->frameGeometry().center())
                                 : QGuiApplication::primaryScreen();
    if (!screen && over) screen = over->screen();
    if (!screen) return;
    window.move(placeWithin(screen->availableGeometry(), window.size()));
}

}  // namespace quillo
