#pragma once
// The host: everything the saver needs from the desktop, as a small table of operations. The Qt
// host shows a real window; the headless host keeps the same model in memory with a manual clock
// and queued input. Both are full peers: the window model, the timers and the message loop
// (EventLoop) are shared code above this interface.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Geometry.h"
#include "MessageBox.h"

namespace quillo {

// What reaches the loop: the user's input, translated once by each host, and notices of our own.
enum class EventKind : std::uint8_t {
    KeyDown,
    KeyUp,
    ButtonDown,
    ButtonUp,
    DoubleClick,
    Move,
    Wheel,
    FocusLost,
    // The audio thread's "sound finished" notice.
    SoundFinished,
    // A request to end: a signal, the window closed from outside, or its host window gone.
    Terminate,
    // The window, living inside another program's window, was given a new size.
    Resize,
    // A screen was plugged in or out, or the layout of the screens changed.
    ScreensChanged,
};

enum class MouseButton : std::uint8_t { None, Left, Right, Middle, Other };
enum class EndRequest : std::uint8_t { Unknown, Signal, WindowClose, HostWindowGone };

struct Event {
    EventKind kind = EventKind::FocusLost;
    // Pointer events: where, in desktop-wide device pixels (left of or above the primary screen
    // is negative).
    Point position{};
    MouseButton button = MouseButton::None;
    std::uint32_t key = 0;   // key events: the native key code
    bool systemKey = false;  // key events: with Alt held, or F10
    EndRequest by = EndRequest::Unknown;
    // SoundFinished: how the play ended (MediaPlayer.h) and which play it was.
    std::uint64_t outcome = 0;
    std::int64_t play = 0;
    Size size{};  // Resize
};

inline Event keyEvent(bool down, std::uint32_t key = 0, bool system = false) {
    return {.kind = down ? EventKind::KeyDown : EventKind::KeyUp, .key = key, .systemKey = system};
}
inline Event pointerEvent(EventKind kind, Point at, MouseButton button = MouseButton::None) {
    return {.kind = kind, .position = at, .button = button};
}
inline Event terminateEvent(EndRequest by = EndRequest::Unknown) {
    return {.kind = EventKind::Terminate, .by = by};
}
inline Event soundFinishedEvent(std::uint64_t outcome, std::int64_t play) {
    return {.kind = EventKind::SoundFinished, .outcome = outcome, .play = play};
}

// A screen of the desktop.
struct ScreenInfo {
    int id = 0;          // the host's name for it, kept while it stays plugged in
    Rect area;           // where it lies, in desktop-wide device pixels
    double scale = 1.0;  // device pixels per layout pixel
    bool primary = false;
    double refreshHz = 0;  // how often it refreshes; 0 when the host does not know
    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

// A window of the saver, as the host names it.
using WindowId = int;

struct Font {
    std::string family;
    int pixelHeight = 16;
    bool bold = false;
};

class Host : public MessageBoxes {
public:
    ~Host() override = default;

    // The primary screen's size in device pixels.
    virtual Size screenSize() = 0;
    // Every screen, the primary among them; never empty.
    virtual std::vector<ScreenInfo> screens() {
        const Size s = screenSize();
        return {{.area = Rect::fromSize(0, 0, s.width, s.height), .primary = true}};
    }
    virtual int screenDepth() = 0;
    virtual Point cursorPos() = 0;
    // Shows the cursor while the count is 0 or more (starts at 0); returns the new count.
    virtual int showCursor(bool show) = 0;

    // A black framebuffer of that size for a window of ours, in memory the host presents from as
    // it is where it can (the X server's shared memory): the form draws into it and the host puts
    // it on the screen without a copy. Its storage goes with the bitmap's last holder.
    virtual Bitmap makeFramebuffer(Size size) { return Bitmap(size.width, size.height); }
    // Called before the window's framebuffer is written to or let go: a host whose server may
    // still be reading the last present waits for it here.
    virtual void beforeDrawing(WindowId window) { (void)window; }

    // A full-screen, borderless, stay-on-top window over that screen (by its id; an unknown one
    // means the primary), showing the framebuffer, which has the screen's size and came from
    // makeFramebuffer. The host presents from it for as long as the window is open, whatever
    // bitmap the form puts in its place. The first window
    // open takes the keyboard; whatever of the screens no window of ours takes is covered black,
    // and no cover lies over a window.
    virtual WindowId openWindow(const std::string& title, const Bitmap& framebuffer,
                                int screen = -1) = 0;
    // Puts the window over that screen, its framebuffer already of the screen's size.
    virtual void moveWindow(WindowId window, int screen) = 0;
    virtual void closeWindow(WindowId window) = 0;
    // Closes every window and every cover.
    virtual void closeWindows() = 0;
    // Puts the given part of the window's framebuffer on the screen now, without waiting for
    // vsync.
    virtual void present(WindowId window, const Rect& dirty) = 0;
    // Renders word-wrapped text into the framebuffer's rectangle, clipped to it.
    virtual void drawText(Bitmap& target, const Rect& area, const std::string& text,
                          const Font& font, Color color) = 0;

    // A caption's picture: the text (UTF-8; what is not valid UTF-8 shows as replacement
    // characters) in white on black, `height` device pixels high and as wide as the text with a
    // margin, never wider than maxWidth: a longer text loses its middle to an ellipsis. Drawn
    // once per caption and kept by the caller; black is where the caption's band shows through.
    virtual Bitmap renderCaption(const std::string& text, int height, int maxWidth) = 0;

    // Appends the native input that is waiting, translated to messages; never blocks.
    virtual void pumpInput(std::vector<Event>& out) = 0;
    // Blocks until input arrives, wake() is called, or timeoutMs passes (-1: no limit).
    virtual void waitForInput(int timeoutMs) = 0;
    // Ends a waitForInput from any thread.
    virtual void wake() = 0;

    // A monotonic clock in nanoseconds (the random generator is seeded from its low 32 bits), and
    // a pause that handles no messages.
    virtual std::uint64_t nowNs() = 0;
    std::uint64_t nowMs() { return nowNs() / 1'000'000; }
    virtual void sleepMs(int ms) = 0;

    // A box runs a loop of its own, so input that arrives while it is up never reaches the queue:
    // the host hands each such input to this handler as it comes, and closes the box (Cancel)
    // when the handler answers true. A host whose boxes take no input may ignore it.
    using BoxInputHandler = std::function<bool(const Event&)>;
    virtual void setBoxInputHandler(BoxInputHandler handler) { (void)handler; }
};

}  // namespace quillo
