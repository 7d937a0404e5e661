#pragma once
// The real host: shows the window model full screen with Qt and turns Qt's input into messages.
#include <QEventLoop>
#include <QImage>
#include <QObject>
#include <QSocketNotifier>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "Host.h"

namespace quillo {

class QtHost;
class ScreenCovers;

// The screen's area in desktop-wide device pixels: its corner where Qt has it, its size unscaled.
Rect deviceArea(const QScreen* screen);
class ForeignWindow;
class ShmPresenter;

// The saver's window: shows the framebuffer (put past the toolkit where the server shares our
// memory, else painted through its backing store) and reports every input event to the host.
class SaverWidget : public QWidget {
    Q_OBJECT
public:
    SaverWidget(QtHost& host, const Bitmap& framebuffer);

    // Whether a frame has been shown since the window was shown.
    bool painted() const { return firstFrame_; }
    // A frame reached the window, through the toolkit or past it.
    void framePut();
    bool eventFilter(QObject* watched, QEvent* e) override;

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    // The backing store's image when the framebuffer can be written into it directly.
    QImage* storeImage();

    QtHost& host_;
    const Bitmap& framebuffer_;
    QImage screen_;  // the framebuffer in 32-bit form, when the backing store cannot take it
    bool firstFrame_ = false;
};

class QtHost : public QObject, public Host {
    Q_OBJECT
public:
    QtHost();
    ~QtHost() override;

    // SIGTERM and SIGINT become a Terminate message, so the saver ends as input ends it. A
    // message box that is up is closed, and no further box is shown.
    void watchTerminationSignals();
    // Draws into another program's window (by its X11 id) instead of covering the screens: its
    // size is the screen size, it is followed when it changes, its end ends the saver, and input
    // is not ours. False when there is no such window.
    bool embedInto(std::uint32_t window);

    Size screenSize() override;
    std::vector<ScreenInfo> screens() override;
    int screenDepth() override;
    Point cursorPos() override;
    int showCursor(bool show) override;
    Bitmap makeFramebuffer(Size size) override;
    void beforeDrawing(WindowId window) override;
    WindowId openWindow(const std::string& title, const Bitmap& framebuffer,
                        int screen = -1) override;
    void moveWindow(WindowId window, int screen) override;
    void closeWindow(WindowId window) override;
    void closeWindows() override;
    void present(WindowId window, const Rect& dirty) override;
    Bitmap renderCaption(const std::string& text, int height, int maxWidth) override;
    void drawText(Bitmap& target, const Rect& area, const std::string& text, const Font& font,
                  Color color) override;
    void pumpInput(std::vector<Event>& out) override;
    void waitForInput(int timeoutMs) override;
    void wake() override;
    std::uint64_t nowNs() override;
    void sleepMs(int ms) override;
    MessageResult show(MessageKind kind, const std::string& text,
                       MessageButtons buttons = MessageButtons::Ok) override;
    void setBoxInputHandler(BoxInputHandler handler) override { boxInput_ = std::move(handler); }

    // Called by the widget.
    void deliver(const Event& m);
    // The widget was exposed: puts its whole framebuffer on it again where the toolkit does not
    // paint it; false when the toolkit does.
    bool putAgain(SaverWidget& widget);
    // A window of ours was moved or resized, by us or by someone else (a window manager that
    // lays out its full-screen windows again when the monitors change).
    void windowMoved();
    // The areas the show's windows take, in desktop-wide device pixels: covers go elsewhere.
    std::vector<Rect> showAreas() const;

private:
    // A window of the show: its widget, and whether its pixels are those of our shared images.
    // Such a window is never painted by the toolkit, which then keeps no backing store for it.
    struct ShowWindow {
        std::unique_ptr<SaverWidget> widget;
        bool shm = false;
        const Bitmap* framebuffer = nullptr;
        QScreen* screen = nullptr;
    };

    void applyCursor();
    // The window that has the keyboard and the boxes: the first one open.
    SaverWidget* mainWidget() const;
    ShowWindow* windowOf(WindowId window);
    // Puts the window over the screen; activate: shows it full screen even if it already is,
    // which activates it.
    void place(ShowWindow& window, QScreen* screen, bool activate = true);
    // Whether the window shows through shared memory, before it is first shown.
    void usePresenter(ShowWindow& window);
    // Watches its exposes.
    void openPresenter(ShowWindow& window);
    // The host's id of a screen, and the screen of an id (the primary for an unknown one).
    int screenId(QScreen* screen);
    QScreen* screenOf(int id) const;
    // Screens plugged in or out, or laid out anew, reach the loop as ScreensChanged.
    void watchScreens();
    // The main window takes the focus and the keyboard: the first at its opening, the next when
    // it goes.
    void handOverKeyboard();
    // Puts back every window that is not over its screen, then covers what no show covers, then
    // takes the keyboard again: after a change of the screens, the window manager may have moved
    // our windows, and the server drops a grab whose window stops being viewable.
    void keepPlaced();
    // handOverKeyboard, tried again for a while until the grab holds (a window not yet viewable
    // cannot take it).
    void keepKeyboard();

    std::unique_ptr<ForeignWindow> foreign_;  // before the windows: ours go first
    // The framebuffers' shared memory and its puts; null where the server cannot share memory.
    std::unique_ptr<ShmPresenter> shm_;
    bool shmTried_ = false;
    std::map<WindowId, ShowWindow> windows_;
    // Windows closed while a box that belongs to one of them is up, kept hidden until it ends.
    std::vector<ShowWindow> retired_;
    WindowId nextWindow_ = 0;
    std::map<const QScreen*, int> screenIds_;
    int nextScreenId_ = 0;
    bool watchingScreens_ = false;
    std::unique_ptr<ScreenCovers> covers_;
    std::vector<Event> pending_;
    QEventLoop* waiting_ = nullptr;
    int cursorCount_ = 0;
    QTimer* placeTimer_ = nullptr;
    // How many more times windows are put back before they next stay where they belong: a window
    // manager that insists on its own layout is not fought for ever.
    int placeBudget_ = 0;
    QTimer* keyboardTimer_ = nullptr;
    int keyboardTries_ = 0;
    bool terminating_ = false;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    BoxInputHandler boxInput_;
    // The box that is up; the window is only hidden while it is, since the box belongs to it.
    class QtMessageBoxes* box_ = nullptr;
    bool closePending_ = false;
};

}  // namespace quillo
