#include "ScreenCover.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

namespace quillo {

namespace {

const Bitmap& noPixels() {
    static const Bitmap empty;
    return empty;
}

}  // namespace

ScreenCover::ScreenCover(QtHost& host, QScreen* screen) : SaverWidget(host, noPixels()) {
    setScreen(screen);
    setGeometry(screen->geometry());
}

void ScreenCover::paintEvent(QPaintEvent* e) {
    QPainter(this).fillRect(e->rect(), Qt::black);
}

ScreenCovers::ScreenCovers(QtHost& host) : host_(host) {
    refresh();
    // A new screen is black at once, before the show hears of it.
    connect(qApp, &QGuiApplication::screenAdded, this, &ScreenCovers::refresh);
    // An unplugged screen takes its cover with it; Qt would otherwise move it over another one.
    connect(qApp, &QGuiApplication::screenRemoved, this,
            [this](QScreen* screen) { covers_.erase(screen); });
}

ScreenCovers::~ScreenCovers() = default;

void ScreenCovers::refresh() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    std::erase_if(covers_, [&](const auto& entry) {
        return !screens.contains(entry.first) || host_.windowOn(entry.first);
    });
    for (QScreen* screen : screens) {
        if (host_.windowOn(screen) || covers_.count(screen)) continue;
        auto cover = std::make_unique<ScreenCover>(host_, screen);
        cover->setCursor(cursor_);
        cover->showFullScreen();
        covers_[screen] = std::move(cover);
    }
}

void ScreenCovers::setCursor(Qt::CursorShape shape) {
    cursor_ = shape;
    for (auto& [screen, cover] : covers_) cover->setCursor(shape);
}

}  // namespace quillo
