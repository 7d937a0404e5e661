#include "QtHost.h"

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QBackingStore>
#include <QCursor>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
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
#include <optional>
#include <thread>

#include "BitmapImage.h"
#include "CaptionText.h"
#include "QtMessageBoxes.h"
#include "ScreenCover.h"
#include "ScreenLayout.h"
#include "ShmPresenter.h"
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

// Formats that hold a pixel as one 32-bit word 0xAARRGGBB: an opaque pixel of ours is written
// into them as it is.
bool takesXrgb32(QImage::Format f) {
    return f == QImage::Format_RGB32 || f == QImage::Format_ARGB32 ||
           f == QImage::Format_ARGB32_Premultiplied;
}

// The saver measures in device pixels, the framebuffer's own, on every screen alike. Qt keeps a
// screen's top-left corner where the device pixels have it and scales only from there on.
qreal deviceRatio() {
    return QGuiApplication::primaryScreen()->devicePixelRatio();
}

// Desktop-wide device pixels, as the cursor position counts them: each screen by its own scale,
// from its own corner.
Point toDevicePoint(const QPointF& global) {
    std::vector<ScaledScreen> screens;
    const QScreen* primary = QGuiApplication::primaryScreen();
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRectF g = screen->geometry();
        const ScaledScreen scaled{g.x(), g.y(), g.width(), g.height(), screen->devicePixelRatio()};
        // The primary first: a position on no screen counts by its scale.
        if (screen == primary)
            screens.insert(screens.begin(), scaled);
        else
            screens.push_back(scaled);
    }
    return devicePoint(screens, global.x(), global.y());
}

// X11 counts a window's size in device pixels, Qt's widgets in scaled ones.
QSize logicalSize(Size device) {
    const qreal r = deviceRatio();
    return QSize(qCeil(device.width / r), qCeil(device.height / r));
}

Size deviceSize(const QScreen* screen) {
    const QSize device = screen->geometry().size() * screen->devicePixelRatio();
    return {device.width(), device.height()};
}

// How many times the keyboard is tried, 50 ms apart, after a change.
constexpr int kKeyboardTries = 40;
// How many times in a row windows are put back before the host lets the window manager be.
constexpr int kPlaceBudget = 20;

bool isSystemKey(const QKeyEvent* e) {
    return (e->modifiers() & Qt::AltModifier) || e->key() == Qt::Key_Alt || e->key() == Qt::Key_F10;
}

MouseButton buttonOf(Qt::MouseButton b) {
    switch (b) {
        case Qt::LeftButton:
            return MouseButton::Left;
        case Qt::RightButton:
            return MouseButton::Right;
        case Qt::MiddleButton:
            return MouseButton::Middle;
        case Qt::NoButton:
            return MouseButton::None;
        default:
            return MouseButton::Other;
    }
}

// The one translation of the toolkit's input into the saver's events, for its window and for
// the boxes over it.
std::optional<Event> translateInput(const QEvent* e) {
    switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            const auto* k = static_cast<const QKeyEvent*>(e);
            return keyEvent(e->type() == QEvent::KeyPress, k->nativeVirtualKey(), isSystemKey(k));
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            const auto* m = static_cast<const QMouseEvent*>(e);
            const EventKind kind = e->type() == QEvent::MouseButtonPress     ? EventKind::ButtonDown
                                   : e->type() == QEvent::MouseButtonRelease ? EventKind::ButtonUp
                                   : e->type() == QEvent::MouseButtonDblClick
                                       ? EventKind::DoubleClick
                                       : EventKind::Move;
            return pointerEvent(kind, toDevicePoint(m->globalPosition()), buttonOf(m->button()));
        }
        case QEvent::Wheel:
            return pointerEvent(
                EventKind::Wheel,
                toDevicePoint(static_cast<const QWheelEvent*>(e)->globalPosition()));
        case QEvent::FocusOut:
            return Event{.kind = EventKind::FocusLost};
        default:
            return std::nullopt;
    }
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

QImage* SaverWidget::storeImage() {
    // The window's backing store is, on X11, an image in the server's own pixel format that is
    // put to the server as it is; a top-level widget sits at its origin.
    QBackingStore* store = backingStore();
    QPaintDevice* device = store ? store->paintDevice() : nullptr;
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    return takesXrgb32(image->format()) && image->devicePixelRatio() == 1 ? image : nullptr;
}

void SaverWidget::paintEvent(QPaintEvent* e) {
    // The framebuffer's rows are already in the screen's format: a copy, then the put.
    const QRect frame(0, 0, framebuffer_.width(), framebuffer_.height());
    const qreal ratio = devicePixelRatioF();
    QImage* store = ratio == 1 ? storeImage() : nullptr;
    if (store) {
        // The dirty area straight into the backing store: one copy, then the put.
        for (const QRect& part : e->region()) {
            const QRect r = part & frame & store->rect();
            if (r.isEmpty()) continue;
            framebuffer_.copyTo(Rect::fromSize(r.x(), r.y(), r.width(), r.height()),
                                store->scanLine(r.y()) + std::size_t(r.x()) * 4,
                                std::size_t(store->bytesPerLine()));
        }
    } else {
        // Else through an image of our own in the same format, painted by the toolkit. The
        // framebuffer holds device pixels: at the screen's own ratio they are copied one to one.
        if (screen_.size() != frame.size()) screen_ = QImage(frame.size(), QImage::Format_RGB32);
        const QRect lr = e->rect();
        const int left = int(std::floor(lr.left() * ratio)),
                  top = int(std::floor(lr.top() * ratio));
        const int right = int(std::ceil((lr.right() + 1) * ratio));
        const int bottom = int(std::ceil((lr.bottom() + 1) * ratio));
        const QRect dirty = QRect(left, top, right - left, bottom - top) & frame;
        if (!dirty.isEmpty())
            framebuffer_.copyTo(Rect::fromSize(dirty.x(), dirty.y(), dirty.width(), dirty.height()),
                                screen_.scanLine(dirty.y()) + std::size_t(dirty.x()) * 4,
                                std::size_t(screen_.bytesPerLine()));
        screen_.setDevicePixelRatio(ratio);
        QPainter p(this);
        p.drawImage(QPointF(0, 0), screen_);
    }
    framePut();
}

void SaverWidget::framePut() {
    if (firstFrame_) return;
    firstFrame_ = true;
    // Once the server has the frame, a suspend waiting for the saver may go on.
    QTimer::singleShot(0, [] {
        QGuiApplication::sync();
        releaseSleepLock();
    });
}

bool SaverWidget::eventFilter(QObject*, QEvent* e) {
    // A window the toolkit does not paint is put again by the host when the server asks for it.
    if (e->type() == QEvent::Expose && windowHandle()->isExposed() && host_.putAgain(*this))
        framePut();
    return false;
}

bool SaverWidget::event(QEvent* e) {
    if (const std::optional<Event> input = translateInput(e)) host_.deliver(*input);
    if (e->type() == QEvent::Move || e->type() == QEvent::Resize) host_.windowMoved();
    return QWidget::event(e);
}

void SaverWidget::closeEvent(QCloseEvent* e) {
    // Closed from outside (a window manager's close): end the saver the ordinary way.
    e->ignore();
    host_.deliver(terminateEvent(EndRequest::WindowClose));
}

Rect deviceArea(const QScreen* screen) {
    const QPoint at = screen->geometry().topLeft();
    const Size size = deviceSize(screen);
    return Rect::fromSize(at.x(), at.y(), size.width, size.height);
}

QtHost::QtHost() : placeTimer_(new QTimer(this)), keyboardTimer_(new QTimer(this)) {
    // A window manager's moves come in bursts: put things back once the burst is over.
    placeTimer_->setSingleShot(true);
    placeTimer_->setInterval(20);
    connect(placeTimer_, &QTimer::timeout, this, &QtHost::keepPlaced);
    keyboardTimer_->setSingleShot(true);
    connect(keyboardTimer_, &QTimer::timeout, this, [this] {
        SaverWidget* main = mainWidget();
        if (!main || foreign_ || box_ || closePending_) return;
        if (main->isVisible()) {
            handOverKeyboard();
            if (QWidget::keyboardGrabber() == main) return;
        }
        if (--keyboardTries_ > 0) keyboardTimer_->start(50);
    });
}

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
        deliver(terminateEvent(EndRequest::Signal));
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
        if (SaverWidget* widget = mainWidget()) widget->resize(logicalSize(s));
        deliver({.kind = EventKind::Resize, .size = s});
    };
    foreign_->onGone = [this] { deliver(terminateEvent(EndRequest::HostWindowGone)); };
    return true;
}

Size QtHost::screenSize() {
    if (foreign_) return foreign_->size();
    return deviceSize(QGuiApplication::primaryScreen());
}

std::vector<ScreenInfo> QtHost::screens() {
    if (foreign_) {
        const Size s = foreign_->size();
        return {{.area = Rect::fromSize(0, 0, s.width, s.height), .primary = true}};
    }
    std::vector<ScreenInfo> out;
    for (QScreen* screen : QGuiApplication::screens()) {
        out.push_back({.id = screenId(screen),
                       .area = deviceArea(screen),
                       .scale = screen->devicePixelRatio(),
                       .primary = screen == QGuiApplication::primaryScreen(),
                       .refreshHz = screen->refreshRate()});
    }
    return out;
}

int QtHost::screenId(QScreen* screen) {
    const auto [at, added] = screenIds_.try_emplace(screen, nextScreenId_);
    if (added) ++nextScreenId_;
    return at->second;
}

QScreen* QtHost::screenOf(int id) const {
    for (QScreen* screen : QGuiApplication::screens()) {
        const auto known = screenIds_.find(screen);
        if (known != screenIds_.end() && known->second == id) return screen;
    }
    return QGuiApplication::primaryScreen();
}

std::vector<Rect> QtHost::showAreas() const {
    std::vector<Rect> out;
    for (const auto& [id, window] : windows_)
        if (window.screen) out.push_back(deviceArea(window.screen));
    return out;
}

void QtHost::windowMoved() {
    if (!foreign_ && !windows_.empty()) placeTimer_->start();
}

void QtHost::keepPlaced() {
    if (foreign_ || closePending_) return;
    bool moved = false;
    for (auto& [id, window] : windows_) {
        if (!window.screen || !window.widget->isVisible() ||
            window.widget->geometry() == window.screen->geometry())
            continue;
        if (placeBudget_ <= 0) break;
        --placeBudget_;
        moved = true;
        place(window, window.screen, false);
    }
    if (covers_ && covers_->keepPlaced(placeBudget_)) moved = true;
    if (!moved) placeBudget_ = kPlaceBudget;  // everything where it belongs
    if (covers_) covers_->refresh();
    keepKeyboard();
}

void QtHost::keepKeyboard() {
    keyboardTries_ = kKeyboardTries;
    keyboardTimer_->start(0);
}

SaverWidget* QtHost::mainWidget() const {
    return windows_.empty() ? nullptr : windows_.begin()->second.widget.get();
}

QtHost::ShowWindow* QtHost::windowOf(WindowId window) {
    const auto at = windows_.find(window);
    return at == windows_.end() ? nullptr : &at->second;
}

void QtHost::watchScreens() {
    if (watchingScreens_ || foreign_) return;
    watchingScreens_ = true;
    const auto changed = [this] {
        deliver({.kind = EventKind::ScreensChanged});
        placeBudget_ = kPlaceBudget;
        placeTimer_->start();
    };
    const auto follow = [this, changed](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, [this, screen, changed] {
            if (covers_) covers_->renew(screen);
            changed();
        });
    };
    for (QScreen* screen : QGuiApplication::screens()) follow(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [follow, changed](QScreen* screen) {
        follow(screen);
        changed();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, [this, changed](QScreen* screen) {
        screenIds_.erase(screen);
        // Its windows stay where they are until the saver moves or closes them.
        for (auto& [id, window] : windows_)
            if (window.screen == screen) window.screen = nullptr;
        changed();
    });
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, changed);
}

int QtHost::screenDepth() {
    return QGuiApplication::primaryScreen()->depth();
}

Point QtHost::cursorPos() {
    return toDevicePoint(QCursor::pos());
}

int QtHost::showCursor(bool show) {
    cursorCount_ += show ? 1 : -1;
    applyCursor();
    return cursorCount_;
}

void QtHost::applyCursor() {
    if (foreign_) return;  // the pointer over another program's window is not ours to hide
    const Qt::CursorShape shape = cursorCount_ < 0 ? Qt::BlankCursor : Qt::ArrowCursor;
    for (auto& [id, window] : windows_) window.widget->setCursor(shape);
    if (covers_) covers_->setCursor(shape);
}

WindowId QtHost::openWindow(const std::string& title, const Bitmap& framebuffer, int screen) {
    const bool first = windows_.empty();
    const WindowId id = nextWindow_++;
    ShowWindow& window = windows_[id];
    window.framebuffer = &framebuffer;
    window.widget = std::make_unique<SaverWidget>(*this, framebuffer);
    SaverWidget& widget = *window.widget;
    widget.setWindowTitle(QString::fromStdString(title));
    if (foreign_) {
        // A child of the other program's window, at its size: no grab, no focus, no covers.
        widget.setAttribute(Qt::WA_TransparentForMouseEvents);
        widget.setFocusPolicy(Qt::NoFocus);
        widget.winId();
        usePresenter(window);
        widget.windowHandle()->setParent(foreign_->window());
        widget.setGeometry(QRect(QPoint(0, 0), logicalSize(foreign_->size())));
        widget.show();
        openPresenter(window);
        return id;
    }
    watchScreens();
    widget.winId();
    usePresenter(window);
    window.screen = screenOf(screen);
    // The first window: the screens without one go black first, so the show's window is the
    // last one to take the focus. A later one takes its screen from the cover.
    if (first) covers_ = std::make_unique<ScreenCovers>(*this);
    place(window, window.screen);
    applyCursor();
    if (!first) {
        openPresenter(window);
        covers_->refresh();
        return id;
    }
    handOverKeyboard();
    openPresenter(window);
    // The start goes on to what can wait (the writers' lock, the sound device, a box) only with
    // the screen covered; input meanwhile is queued. Bounded, for a manager that never maps us.
    constexpr int kFirstFrameWaitMs = 2000;
    QEventLoop loop;
    QTimer poll;
    QElapsedTimer waited;
    waited.start();
    connect(&poll, &QTimer::timeout, &loop, [&] {
        const ShowWindow* shown = windowOf(id);
        if (!shown || shown->widget->painted() || waited.elapsed() >= kFirstFrameWaitMs)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    // The grab fails while the window is not yet viewable: it is tried again until it holds.
    keepKeyboard();
    return id;
}

void QtHost::place(ShowWindow& window, QScreen* screen, bool activate) {
    // Without a window manager nothing sizes the window, so place it over the screen; with one,
    // only a focused full-screen window is stacked above panels and docks. A manager that lays
    // out full-screen windows takes the monitor from the geometry asked for.
    window.screen = screen;
    window.widget->setScreen(screen);
    window.widget->setGeometry(screen->geometry());
    if (activate || !window.widget->isVisible() || !window.widget->isFullScreen())
        window.widget->showFullScreen();
    window.widget->raise();
}

void QtHost::usePresenter(ShowWindow& window) {
    // Decided before the window is first shown: a window the toolkit never paints gets no
    // backing store, so the framebuffer is the one screen-sized buffer of it.
    window.shm = shm_ && shm_->holds(*window.framebuffer) && shm_->suits(window.widget->winId());
    window.widget->setUpdatesEnabled(!window.shm);
}

void QtHost::openPresenter(ShowWindow& window) {
    window.widget->windowHandle()->installEventFilter(window.widget.get());
}

Bitmap QtHost::makeFramebuffer(Size size) {
    if (!shmTried_) {
        shmTried_ = true;
        shm_ = ShmPresenter::open();
    }
    if (shm_) {
        Bitmap framebuffer = shm_->makeFramebuffer(size);
        if (!framebuffer.empty()) return framebuffer;
    }
    return Bitmap(size.width, size.height);
}

void QtHost::beforeDrawing(WindowId) {
    if (shm_) shm_->finish();
}

bool QtHost::putAgain(SaverWidget& widget) {
    for (auto& [id, window] : windows_)
        if (window.widget.get() == &widget)
            return window.shm &&
                   shm_->present(widget.winId(), *window.framebuffer, window.framebuffer->rect());
    return false;
}

void QtHost::moveWindow(WindowId id, int screen) {
    ShowWindow* window = windowOf(id);
    if (!window || foreign_) return;
    place(*window, screenOf(screen));
    placeBudget_ = kPlaceBudget;
    if (covers_) covers_->refresh();
    keepKeyboard();
}

void QtHost::closeWindow(WindowId id) {
    const auto at = windows_.find(id);
    if (at == windows_.end()) return;
    const bool wasMain = at->second.widget.get() == mainWidget();
    if (wasMain && !foreign_) at->second.widget->releaseKeyboard();
    if (shm_) shm_->finish();
    at->second.widget->hide();
    // A box that is up belongs to the main window: that one stays until the box ends.
    if (box_ && wasMain) retired_.push_back(std::move(at->second));
    windows_.erase(at);
    if (covers_) covers_->refresh();
    if (wasMain && !box_) handOverKeyboard();
}

void QtHost::handOverKeyboard() {
    SaverWidget* widget = mainWidget();
    if (!widget || foreign_) return;
    // A saver must see every key, whichever window had the focus before.
    widget->activateWindow();
    widget->setFocus();
    widget->grabKeyboard();
}

void QtHost::closeWindows() {
    if (windows_.empty()) return;
    if (SaverWidget* main = mainWidget(); main && !foreign_) main->releaseKeyboard();
    if (shm_) shm_->finish();
    for (auto& [id, window] : windows_) window.widget->hide();
    covers_.reset();
    if (box_) {
        // The box that is up belongs to the window: it goes first, then the window.
        closePending_ = true;
        box_->closeBox();
        return;
    }
    windows_.clear();
}

void QtHost::present(WindowId id, const Rect& dirty) {
    ShowWindow* window = windowOf(id);
    if (!window) return;
    SaverWidget& widget = *window->widget;
    // Straight from the framebuffer to the X window where the server shares its memory with us
    // (X counts in device pixels, as the framebuffer does); the server's copy overlaps what the
    // caller does next, and is complete before the framebuffer is drawn into again and before
    // the program sleeps or waits ...
    if (window->shm && widget.isVisible() &&
        shm_->present(widget.winId(), *window->framebuffer, dirty))
        return;
    // ... else through the toolkit, synchronously. The dirty rectangle is in device pixels; the
    // widget counts in Qt's scaled ones.
    if (window->shm && !shm_->holds(*window->framebuffer)) {
        // The framebuffer made for a new size is not a shared one: the toolkit paints from now on.
        window->shm = false;
        widget.setUpdatesEnabled(true);
    }
    const qreal r = widget.devicePixelRatioF();
    const int left = int(std::floor(dirty.left / r)), top = int(std::floor(dirty.top / r));
    const int right = int(std::ceil(dirty.right / r)), bottom = int(std::ceil(dirty.bottom / r));
    widget.repaint(QRect(left, top, right - left, bottom - top));
}

Bitmap QtHost::renderCaption(const std::string& text, int height, int maxWidth) {
    return renderCaptionText(text, height, maxWidth);
}

void QtHost::drawText(Bitmap& target, const Rect& area, const std::string& text, const Font& font,
                      Color color) {
    QImage image = wrapBitmap(target);
    if (image.isNull()) return;
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

void QtHost::deliver(const Event& m) {
    // Inside another program's window, input belongs to that program: only our own notices count.
    if (foreign_ && m.kind < EventKind::SoundFinished) return;
    pending_.push_back(m);
    if (waiting_) waiting_->quit();
}

void QtHost::pumpInput(std::vector<Event>& out) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    out.insert(out.end(), pending_.begin(), pending_.end());
    pending_.clear();
}

void QtHost::waitForInput(int timeoutMs) {
    // What was drawn is on the screen before the wait; the wait for the server is part of the
    // wait, not added to it, so the frames of an animation do not drift.
    using namespace std::chrono;
    const auto end = steady_clock::now() + milliseconds(std::max(timeoutMs, 0));
    if (shm_) shm_->finish();
    if (!pending_.empty() || timeoutMs == 0) return;
    QEventLoop loop;
    QTimer timer;
    if (timeoutMs > 0) {
        const auto left = ceil<milliseconds>(end - steady_clock::now());
        if (left.count() <= 0) return;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(left);
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
    // What was drawn is on the screen before the program pauses; the wait for the server is
    // part of the pause, not added to it, so a paced animation does not drift.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    if (shm_) shm_->finish();
    std::this_thread::sleep_until(end);
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
    SaverWidget* owner = mainWidget();
    const bool grabbed = owner && QWidget::keyboardGrabber() == owner;
    if (grabbed) owner->releaseKeyboard();
    QtMessageBoxes boxes(owner);
    boxes.setStayOnTop(true);
    boxes.setTakeKeyboard(true);
    // The input that ends the saver ends it under a box too. Mouse moves over the box are not
    // reported to anyone, so the pointer is also looked at every 50 ms.
    QTimer pointerWatch;
    if (boxInput_) {
        boxes.setInputWatch([this](QEvent* e) {
            const std::optional<Event> input = translateInput(e);
            return input && boxInput_(*input);
        });
        QObject::connect(&pointerWatch, &QTimer::timeout,
                         [this, &boxes, last = cursorPos()]() mutable {
                             const Point p = cursorPos();
                             if (p.x == last.x && p.y == last.y) return;
                             last = p;
                             if (boxInput_(pointerEvent(EventKind::Move, p))) boxes.closeBox();
                         });
        pointerWatch.start(50);
    }
    box_ = &boxes;
    const MessageResult answer = boxes.show(kind, text, buttons);
    box_ = nullptr;
    pointerWatch.stop();
    if (closePending_) {
        windows_.clear();
        retired_.clear();
        return answer;
    }
    retired_.clear();
    if (grabbed || !owner) handOverKeyboard();
    return answer;
}

}  // namespace quillo
