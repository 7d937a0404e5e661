#include "QtHost.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCursor>
#include <QDialog>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>
#include <QWindow>
#include <QtMath>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <thread>

#include "QtMessageBoxes.h"
#include "ScreenCover.h"
#include "SleepLock.h"
#include "X11Embed.h"

namespace quillo {

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    // Only async-signal-safe calls here; a full pipe already holds a pending request.
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

QImage wrap(const Bitmap& b) {
    return QImage(b.data(), b.width(), b.height(), qsizetype(b.stride()), QImage::Format_BGR888);
}

QImage wrap(Bitmap& b) {
    return QImage(b.data(), b.width(), b.height(), qsizetype(b.stride()), QImage::Format_BGR888);
}

// The saver measures in device pixels, the framebuffer's own, on every screen alike.
qreal deviceRatio() {
    return QGuiApplication::primaryScreen()->devicePixelRatio();
}

std::int64_t pointOf(const QPointF& global) {
    const qreal r = deviceRatio();
    return msg::pointParam(qRound(global.x() * r), qRound(global.y() * r));
}

// X11 counts a window's size in device pixels, Qt's widgets in scaled ones.
QSize logicalSize(Size device) {
    const qreal r = deviceRatio();
    return QSize(qCeil(device.width / r), qCeil(device.height / r));
}

bool isSystemKey(const QKeyEvent* e) {
    return (e->modifiers() & Qt::AltModifier) || e->key() == Qt::Key_Alt || e->key() == Qt::Key_F10;
}

}  // namespace

SaverWidget::SaverWidget(QtHost& host, const Bitmap& framebuffer)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      host_(host),
      framebuffer_(framebuffer) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void SaverWidget::paintEvent(QPaintEvent* e) {
    QPainter p(this);
    QImage image = wrap(framebuffer_);
    const qreal ratio = devicePixelRatioF();
    if (ratio == 1) {
        const QRect r = e->rect();
        p.drawImage(r, image, r);
    } else {
        // The framebuffer holds device pixels: drawn at the screen's own ratio they are copied
        // one to one (the painter clips to the dirty area).
        image.setDevicePixelRatio(ratio);
        p.drawImage(QPointF(0, 0), image);
    }
    if (!firstFrame_) {
        firstFrame_ = true;
        // Once the server has the frame, a suspend waiting for the saver may go on.
        QTimer::singleShot(0, [] {
            QGuiApplication::sync();
            releaseSleepLock();
        });
    }
}

void SaverWidget::mouseMoveEvent(QMouseEvent* e) {
    host_.deliver({msg::MouseMove, 0, pointOf(e->globalPosition())});
}

void SaverWidget::mousePressEvent(QMouseEvent* e) {
    std::uint32_t m = 0x020B;  // extra buttons: like Windows' X buttons, they end nothing
    if (e->button() == Qt::LeftButton) m = msg::LButtonDown;
    if (e->button() == Qt::RightButton) m = msg::RButtonDown;
    if (e->button() == Qt::MiddleButton) m = msg::MButtonDown;
    host_.deliver({m, 0, pointOf(e->globalPosition())});
}

void SaverWidget::mouseReleaseEvent(QMouseEvent* e) {
    std::uint32_t m = 0x020C;
    if (e->button() == Qt::LeftButton) m = msg::LButtonUp;
    if (e->button() == Qt::RightButton) m = msg::RButtonUp;
    if (e->button() == Qt::MiddleButton) m = msg::MButtonUp;
    host_.deliver({m, 0, pointOf(e->globalPosition())});
}

void SaverWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    host_.deliver({msg::LButtonDblClk, 0, pointOf(e->globalPosition())});
}

void SaverWidget::wheelEvent(QWheelEvent* e) {
    host_.deliver({msg::MouseWheel, 0, pointOf(e->globalPosition())});
}

void SaverWidget::keyPressEvent(QKeyEvent* e) {
    host_.deliver(
        {isSystemKey(e) ? msg::SysKeyDown : msg::KeyDown, std::uint64_t(e->nativeVirtualKey()), 0});
}

void SaverWidget::keyReleaseEvent(QKeyEvent* e) {
    host_.deliver(
        {isSystemKey(e) ? msg::SysKeyUp : msg::KeyUp, std::uint64_t(e->nativeVirtualKey()), 0});
}

void SaverWidget::focusOutEvent(QFocusEvent*) {
    host_.deliver({msg::KillFocus, 0, 0});
}

void SaverWidget::closeEvent(QCloseEvent* e) {
    // Closed from outside (a window manager's close): end the saver the ordinary way.
    e->ignore();
    host_.deliver({msg::Terminate, 0, 0});
}

QtHost::QtHost() = default;

QtHost::~QtHost() {
    if (g_signalPipe[0] >= 0) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
    }
}

void QtHost::watchTerminationSignals() {
    if (g_signalPipe[0] >= 0) return;
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    signalNotifier_ = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    connect(signalNotifier_.get(), &QSocketNotifier::activated, this, [this] {
        char buf[64];
        while (::read(g_signalPipe[0], buf, sizeof buf) > 0) {
        }
        terminating_ = true;
        deliver({msg::Terminate, 0, 0});
        // A box runs a loop of its own, in which the request would wait for someone to answer
        // it: close the box, so that control comes back to our loop, which ends the saver.
        if (box_) box_->closeBox();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

bool QtHost::embedInto(std::uint32_t window) {
    foreign_ = ForeignWindow::open(window);
    if (!foreign_) return false;
    foreign_->onResize = [this](Size s) {
        if (widget_) widget_->resize(logicalSize(s));
        deliver({msg::Resize, 0, msg::pointParam(s.width, s.height)});
    };
    foreign_->onGone = [this] { deliver({msg::Terminate, 0, 0}); };
    return true;
}

Size QtHost::screenSize() {
    if (foreign_) return foreign_->size();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize device = screen->geometry().size() * screen->devicePixelRatio();
    return {device.width(), device.height()};
}

int QtHost::screenDepth() {
    return QGuiApplication::primaryScreen()->depth();
}

Point QtHost::cursorPos() {
    const QPoint p = QCursor::pos();
    const qreal r = deviceRatio();
    return {qRound(p.x() * r), qRound(p.y() * r)};
}

int QtHost::showCursor(bool show) {
    cursorCount_ += show ? 1 : -1;
    applyCursor();
    return cursorCount_;
}

void QtHost::applyCursor() {
    if (foreign_) return;  // the pointer over another program's window is not ours to hide
    const Qt::CursorShape shape = cursorCount_ < 0 ? Qt::BlankCursor : Qt::ArrowCursor;
    if (widget_) widget_->setCursor(shape);
    if (covers_) covers_->setCursor(shape);
}

void QtHost::openWindow(const std::string& title, const Bitmap& framebuffer) {
    widget_ = std::make_unique<SaverWidget>(*this, framebuffer);
    widget_->setWindowTitle(QString::fromStdString(title));
    if (foreign_) {
        // A child of the other program's window, at its size: no grab, no focus, no covers.
        widget_->setAttribute(Qt::WA_TransparentForMouseEvents);
        widget_->setFocusPolicy(Qt::NoFocus);
        widget_->winId();
        widget_->windowHandle()->setParent(foreign_->window());
        widget_->setGeometry(QRect(QPoint(0, 0), logicalSize(foreign_->size())));
        widget_->show();
        return;
    }
    // The other screens go black first, so the show's window is the last one to take the focus.
    covers_ = std::make_unique<ScreenCovers>(*this);
    // Without a window manager nothing sizes the window, so place it over the screen; with one,
    // only a focused full-screen window is stacked above panels and docks.
    QScreen* screen = QGuiApplication::primaryScreen();
    widget_->setScreen(screen);
    widget_->setGeometry(screen->geometry());
    applyCursor();
    widget_->showFullScreen();
    widget_->raise();
    widget_->activateWindow();
    widget_->setFocus();
    // A saver must see every key, whichever window had the focus before.
    widget_->grabKeyboard();
}

void QtHost::closeWindow() {
    if (!widget_) return;
    if (!foreign_) widget_->releaseKeyboard();
    widget_->hide();
    covers_.reset();
    if (box_) {
        // The box that is up belongs to the window: it goes first, then the window.
        closePending_ = true;
        box_->closeBox();
        return;
    }
    widget_.reset();
}

void QtHost::present(const Rect& dirty) {
    if (!widget_) return;
    // Synchronous: a direct draw is on the screen before the drawing code goes on. The dirty
    // rectangle is in device pixels; the widget counts in Qt's scaled ones.
    const qreal r = widget_->devicePixelRatioF();
    const int left = int(std::floor(dirty.left / r)), top = int(std::floor(dirty.top / r));
    const int right = int(std::ceil(dirty.right / r)), bottom = int(std::ceil(dirty.bottom / r));
    widget_->repaint(QRect(left, top, right - left, bottom - top));
}

void QtHost::drawText(Bitmap& target, const Rect& area, const std::string& text, const Font& font,
                      Color color) {
    QImage image = wrap(target);
    QPainter p(&image);
    QFont f;
    // Classic bitmap UI faces are not installed here; take the nearest sans-serif.
    f.setFamilies({QString::fromStdString(font.family), "Liberation Sans", "DejaVu Sans"});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(font.pixelHeight);
    f.setBold(font.bold);
    p.setFont(f);
    p.setPen(QColor(redOf(color), greenOf(color), blueOf(color)));
    const QRect r(area.left, area.top, area.width(), area.height());
    p.setClipRect(r);
    p.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, QString::fromStdString(text));
}

void QtHost::deliver(const Message& m) {
    // Inside another program's window, input belongs to that program: only our own notices count.
    if (foreign_ && m.message < msg::MediaNotify) return;
    pending_.push_back(m);
    if (waiting_) waiting_->quit();
}

void QtHost::pumpInput(std::vector<Message>& out) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
}

void QtHost::waitForInput(int timeoutMs) {
    if (!pending_.empty() || timeoutMs == 0) return;
    QEventLoop loop;
    QTimer timer;
    if (timeoutMs > 0) {
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
    }
    waiting_ = &loop;
    loop.exec();
    waiting_ = nullptr;
}

void QtHost::wake() {
    // Safe from any thread: the call is queued to this object's thread.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (waiting_) waiting_->quit();
        },
        Qt::QueuedConnection);
}

std::uint64_t QtHost::nowNs() {
    using namespace std::chrono;
    return std::uint64_t(
        duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

void QtHost::sleepMs(int ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool QtHost::boxInput(const QEvent* e, Message& m) const {
    switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* k = static_cast<const QKeyEvent*>(e);
            const bool down = e->type() == QEvent::KeyPress;
            m = {isSystemKey(k) ? (down ? msg::SysKeyDown : msg::SysKeyUp)
                                : (down ? msg::KeyDown : msg::KeyUp),
                 std::uint64_t(k->nativeVirtualKey()), 0};
            return true;
        }
        case QEvent::MouseButtonPress: {
            const auto* b = static_cast<const QMouseEvent*>(e);
            std::uint32_t code = 0x020B;
            if (b->button() == Qt::LeftButton) code = msg::LButtonDown;
            if (b->button() == Qt::RightButton) code = msg::RButtonDown;
            if (b->button() == Qt::MiddleButton) code = msg::MButtonDown;
            m = {code, 0, pointOf(b->globalPosition())};
            return true;
        }
        case QEvent::MouseMove:
            m = {msg::MouseMove, 0, pointOf(static_cast<const QMouseEvent*>(e)->globalPosition())};
            return true;
        default:
            return false;
    }
}

MessageResult QtHost::show(MessageKind kind, const std::string& text, MessageButtons buttons) {
    const MessageResult unanswered =
        buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel;
    // Asked to end: nobody is to answer boxes any more.
    if (terminating_ || closePending_) return unanswered;
    // Inside another program's window nobody is there to answer a box, and a box would keep the
    // process alive after that window is gone: the text goes to standard error instead.
    if (foreign_) {
        const std::string title = kind == MessageKind::Plain
                                      ? QCoreApplication::applicationName().toStdString()
                                      : messageTitle(kind);
        std::fprintf(stderr, "quillo: %s: %s\n", title.c_str(), text.c_str());
        return unanswered;
    }
    // The saver window's keyboard grab would keep every key from the box: the box has the
    // keyboard while it is up, and the window takes it back afterwards.
    const bool grabbed = widget_ && QWidget::keyboardGrabber() == widget_.get();
    if (grabbed) widget_->releaseKeyboard();
    QtMessageBoxes boxes(widget_.get());
    boxes.setStayOnTop(true);
    boxes.setTakeKeyboard(true);
    // The input that ends the saver ends it under a box too. Mouse moves over the box are not
    // reported to anyone, so the pointer is also looked at every 50 ms.
    QTimer pointerWatch;
    if (boxInput_) {
        boxes.setInputWatch([this](QEvent* e) {
            Message m;
            return boxInput(e, m) && boxInput_(m);
        });
        QObject::connect(&pointerWatch, &QTimer::timeout,
                         [this, &boxes, last = cursorPos()]() mutable {
                             const Point p = cursorPos();
                             if (p.x == last.x && p.y == last.y) return;
                             last = p;
                             if (boxInput_({msg::MouseMove, 0, msg::pointParam(p.x, p.y)}))
                                 boxes.closeBox();
                         });
        pointerWatch.start(50);
    }
    box_ = &boxes;
    const MessageResult answer = boxes.show(kind, text, buttons);
    box_ = nullptr;
    pointerWatch.stop();
    if (closePending_) {
        widget_.reset();
        return answer;
    }
    if (grabbed && widget_) {
        widget_->activateWindow();
        widget_->grabKeyboard();
    }
    return answer;
}

}  // namespace quillo
