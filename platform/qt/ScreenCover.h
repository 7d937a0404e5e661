#pragma once
// The show runs on the primary screen; every other screen gets a black window of the same saver,
// so no desktop stays visible. Input on a cover reaches the host like input on the show's window.
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

// One cover for each screen but the primary, following screens plugged in or out while the
// saver runs.
class ScreenCovers : public QObject {
    Q_OBJECT
public:
    explicit ScreenCovers(QtHost& host);
    ~ScreenCovers() override;

    void setCursor(Qt::CursorShape shape);

private:
    void add(QScreen* screen);

    QtHost& host_;
    Qt::CursorShape cursor_ = Qt::BlankCursor;
    std::map<QScreen*, std::unique_ptr<ScreenCover>> covers_;
};

}  // namespace quillo
