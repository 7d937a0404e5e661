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

// A queued window message, numbered as the input test knows them.
struct Message {
    std::uint32_t message = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
};

namespace msg {
constexpr std::uint32_t KeyDown = 256;
constexpr std::uint32_t KeyUp = 257;
constexpr std::uint32_t SysKeyDown = 260;
constexpr std::uint32_t SysKeyUp = 261;
constexpr std::uint32_t MouseMove = 512;
constexpr std::uint32_t LButtonDown = 513;
constexpr std::uint32_t LButtonUp = 514;
constexpr std::uint32_t LButtonDblClk = 515;
constexpr std::uint32_t RButtonDown = 516;
constexpr std::uint32_t RButtonUp = 517;
constexpr std::uint32_t MButtonDown = 519;
constexpr std::uint32_t MButtonUp = 520;
constexpr std::uint32_t MouseWheel = 522;
// The extra (side) mouse buttons.
constexpr std::uint32_t XButtonDown = 523;
constexpr std::uint32_t XButtonUp = 524;
constexpr std::uint32_t KillFocus = 8;
// Our own: the audio thread's "sound finished" notice, and a request to end (SIGTERM, SIGINT,
// or the window being closed from outside).
constexpr std::uint32_t MediaNotify = 0x8001;
constexpr std::uint32_t Terminate = 0x8002;
// wParam of Terminate: who asked.
constexpr std::uint64_t ByUnknown = 0, BySignal = 1, ByWindowClose = 2, ByHostWindowGone = 3;
// The window was given a new size (lParam: width and height as pointParam packs x and y), when it
// lives inside another program's window.
constexpr std::uint32_t Resize = 0x8003;

// lParam of a mouse message: x in the low 16 bits, y in the next 16.
constexpr std::int64_t pointParam(int x, int y) {
    return std::int64_t((std::uint32_t(std::uint16_t(y)) << 16) | std::uint16_t(x));
}
}  // namespace msg

struct Font {
    std::string family;
    int pixelHeight = 16;
    bool bold = false;
};

class Host : public MessageBoxes {
public:
    ~Host() override = default;

    virtual Size screenSize() = 0;
    virtual int screenDepth() = 0;
    virtual Point cursorPos() = 0;
    // Shows the cursor while the count is 0 or more (starts at 0); returns the new count.
    virtual int showCursor(bool show) = 0;

    // The one full-screen, borderless, stay-on-top window, showing the framebuffer.
    virtual void openWindow(const std::string& title, const Bitmap& framebuffer) = 0;
    virtual void closeWindow() = 0;
    // Puts the given part of the framebuffer on the screen now, without waiting for vsync.
    virtual void present(const Rect& dirty) = 0;
    // Renders word-wrapped text into the framebuffer's rectangle, clipped to it.
    virtual void drawText(Bitmap& target, const Rect& area, const std::string& text,
                          const Font& font, Color color) = 0;

    // Appends the native input that is waiting, translated to messages; never blocks.
    virtual void pumpInput(std::vector<Message>& out) = 0;
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
    using BoxInputHandler = std::function<bool(const Message&)>;
    virtual void setBoxInputHandler(BoxInputHandler handler) { (void)handler; }
};

}  // namespace quillo
