#pragma once
// Every screen without a window of the show gets a black window of the same saver, so no desktop
// stays visible. Input on a cover reaches the host like input on the show's windows.
#include <QObject>
#include <map>
#include <memory>

#include "QtHost.h"

class QScreen;

namespace quillo {

class ScreenCover : public SaverWidget {
    Q_OBJECT
public:
    ScreenCover(QtHost& host, QScreen* screen);

protected:
    void paintEvent(QPaintEvent* e) override;
};

// One cover for each screen that has no window of the show, following screens plugged in or
// out while the saver runs.
class ScreenCovers : public QObject {
    Q_OBJECT
public:
    explicit ScreenCovers(QtHost& host);
    ~ScreenCovers() override;

    void setCursor(Qt::CursorShape shape);
    // Covers the screens that have no window of the show, and no others.
    void refresh();
    // The screen was laid out anew: its cover is made again over it.
    void renew(QScreen* screen) {
        covers_.erase(screen);
        refresh();
    }

private:
    QtHost& host_;
    Qt::CursorShape cursor_ = Qt::BlankCursor;
    std::map<QScreen*, std::unique_ptr<ScreenCover>> covers_;
};

}  // namespace quillo
