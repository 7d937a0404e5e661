#pragma once
// Every screen, or part of one, that no window of the show takes gets a black window of the same
// saver, so no desktop stays visible. Input on a cover reaches the host like input on the show's
// windows. A cover never lies over a show: a screen inside a show's screen gets none, and one
// that a show's screen overlaps in part is cut to the rest.
#include <QObject>
#include <map>
#include <memory>
#include <vector>

#include "QtHost.h"

class QScreen;

namespace quillo {

class ScreenCover : public SaverWidget {
    Q_OBJECT
public:
    ScreenCover(QtHost& host, QScreen* screen);
    // Takes only these parts of its screen (desktop-wide device pixels).
    void cutTo(const std::vector<Rect>& parts);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QScreen* screen_;
    std::vector<Rect> parts_;
};

// The covers, following screens plugged in or out while the saver runs.
class ScreenCovers : public QObject {
    Q_OBJECT
public:
    explicit ScreenCovers(QtHost& host);
    ~ScreenCovers() override;

    void setCursor(Qt::CursorShape shape);
    // Covers what no window of the show takes, and nothing else.
    void refresh();
    // The screen was laid out anew: its cover is made again over it.
    void renew(QScreen* screen) {
        covers_.erase(screen);
        refresh();
    }
    // Puts back the covers that are not over their screens, each taking one of the budget while
    // it lasts; true when one was moved.
    bool keepPlaced(int& budget);

private:
    QtHost& host_;
    Qt::CursorShape cursor_ = Qt::BlankCursor;
    std::map<QScreen*, std::unique_ptr<ScreenCover>> covers_;
};

}  // namespace quillo
