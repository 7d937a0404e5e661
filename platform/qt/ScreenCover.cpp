#include "ScreenCover.h"

#include <QGuiApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "ScreenLayout.h"

namespace quillo {

namespace {

const Bitmap& noPixels() {
    static const Bitmap empty;
    return empty;
}

}  // namespace

ScreenCover::ScreenCover(QtHost& host, QScreen* screen)
    : SaverWidget(host, noPixels()), screen_(screen) {
    setScreen(screen);
    setGeometry(screen->geometry());
}

void ScreenCover::cutTo(const std::vector<Rect>& parts) {
    if (parts == parts_) return;
    parts_ = parts;
    const Rect whole = deviceArea(screen_);
    if (parts.size() == 1 && parts.front() == whole) {
        clearMask();
        return;
    }
    // The mask counts in the widget's scaled pixels from its corner; rounded outwards, since a
    // desktop pixel left showing is worse than one of a show's edge under the cover.
    const qreal r = screen_->devicePixelRatio();
    QRegion mask;
    for (const Rect& p : parts) {
        const int left = int(std::floor((p.left - whole.left) / r));
        const int top = int(std::floor((p.top - whole.top) / r));
        const int right = int(std::ceil((p.right - whole.left) / r));
        const int bottom = int(std::ceil((p.bottom - whole.top) / r));
        mask += QRect(left, top, right - left, bottom - top);
    }
    setMask(mask);
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
    const std::vector<Rect> shows = host_.showAreas();
    std::erase_if(covers_, [&](const auto& entry) { return !screens.contains(entry.first); });
    for (QScreen* screen : screens) {
        const std::vector<Rect> parts = uncoveredParts(deviceArea(screen), shows);
        const auto known = covers_.find(screen);
        if (parts.empty()) {
            if (known != covers_.end()) covers_.erase(known);
            continue;
        }
        if (known != covers_.end()) {
            known->second->cutTo(parts);
            continue;
        }
        auto cover = std::make_unique<ScreenCover>(host_, screen);
        cover->setCursor(cursor_);
        cover->cutTo(parts);
        cover->showFullScreen();
        covers_[screen] = std::move(cover);
    }
}

bool ScreenCovers::keepPlaced(int& budget) {
    bool moved = false;
    for (auto& [screen, cover] : covers_) {
        if (!cover->isVisible() || cover->geometry() == screen->geometry()) continue;
        if (budget <= 0) break;
        --budget;
        moved = true;
        cover->setScreen(screen);
        cover->setGeometry(screen->geometry());
    }
    return moved;
}

void ScreenCovers::setCursor(Qt::CursorShape shape) {
    cursor_ = shape;
    for (auto& [screen, cover] : covers_) cover->setCursor(shape);
}

}  // namespace quillo
