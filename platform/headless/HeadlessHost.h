#pragma once
// The test host: the same window model with a manual clock, queued input and readable frames.
// Nothing here touches a display; time moves only when the test moves it.
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "BmpWriter.h"
#include "Host.h"

namespace quillo {

class HeadlessHost : public Host {
public:
    // One primary screen of that size at the desktop's origin.
    explicit HeadlessHost(Size screen = {640, 480}, int depth = 24);
    // A desk of those screens (never empty).
    explicit HeadlessHost(std::vector<ScreenInfo> screens, int depth = 24);

    // A window of the host, open or closed; its id is its index in windows().
    struct WindowState {
        std::string title;
        const Bitmap* frame = nullptr;
        int screen = 0;
        bool open = false;
    };

    // Test controls.
    void queueInput(const Event& m) { input_.push_back(m); }
    void setCursorPos(Point p) { cursor_ = p; }
    void advance(std::uint64_t ms) { nowNs_ += ms * 1'000'000; }
    int cursorCount() const { return cursorCount_; }
    // Another desk: the next pump reports that the screens changed.
    void setScreens(std::vector<ScreenInfo> screens);
    const std::vector<WindowState>& windows() const { return windows_; }
    int openWindowCount() const;
    bool windowOpen() const { return openWindowCount() > 0; }
    const std::string& windowTitle() const;
    const std::vector<Rect>& presented() const { return presented_; }
    int framebuffersMade() const { return framebuffersMade_; }
    // Called at every input pump, before it does its work, so a test can look at
    // (or disturb) code that runs inside the loop; counted either way.
    std::function<void()> onPump;
    int pumps = 0;
    // Every box shown, as "<kind>|<text>"; answers come from the script (Ok when empty).
    std::vector<std::string> boxes;
    std::deque<MessageResult> boxAnswers;
    // Input that arrives while the next box is up, handed to the box input handler as a box of the
    // real host hands it; a box the handler closes answers as unanswered.
    std::deque<Event> inputUnderBox;
    void setBoxInputHandler(BoxInputHandler handler) override { boxInput_ = std::move(handler); }
    // The framebuffer as the window shows it (the model's own bitmap).
    const Bitmap* frame(WindowId window = 0) const;
    // Writes the first window's framebuffer as a 24-bit bottom-up BMP file.
    void saveFrame(const std::string& path) const;

    // Host.
    Size screenSize() override;
    std::vector<ScreenInfo> screens() override { return screens_; }
    int screenDepth() override { return depth_; }
    Point cursorPos() override { return cursor_; }
    int showCursor(bool show) override { return cursorCount_ += show ? 1 : -1; }
    // Storage of the host's own, as the real host's is the server's: counted by framebuffersMade.
    Bitmap makeFramebuffer(Size size) override;
    WindowId openWindow(const std::string& title, const Bitmap& framebuffer,
                        int screen = -1) override;
    void moveWindow(WindowId window, int screen) override;
    void closeWindow(WindowId window) override;
    void closeWindows() override;
    // Every present of every window, in order.
    void present(WindowId, const Rect& dirty) override { presented_.push_back(dirty); }
    // Text is drawn as one solid cell per visible character, so tests can see where it went.
    void drawText(Bitmap& target, const Rect& area, const std::string& text, const Font& font,
                  Color color) override;
    // A caption is one white cell per character, height / 2 wide, with a margin of height / 4
    // each side; an elided one keeps its head and tail around "…". captions() lists the texts
    // as laid out.
    Bitmap renderCaption(const std::string& text, int height, int maxWidth) override;
    const std::vector<std::string>& captions() const { return captions_; }
    void pumpInput(std::vector<Event>& out) override;
    // Never blocks: with a timeout the clock jumps to it, so a run loop always makes progress.
    void waitForInput(int timeoutMs) override;
    void wake() override {}
    std::uint64_t nowNs() override { return nowNs_; }
    void sleepMs(int ms) override;
    MessageResult show(MessageKind kind, const std::string& text,
                       MessageButtons buttons = MessageButtons::Ok) override;

private:
    int primaryScreen() const;

    std::vector<ScreenInfo> screens_;
    bool screensChanged_ = false;
    std::vector<WindowState> windows_;
    int depth_;
    Point cursor_;
    int cursorCount_ = 0;
    std::deque<Event> input_;
    BoxInputHandler boxInput_;
    std::vector<Rect> presented_;
    int framebuffersMade_ = 0;
    std::uint64_t nowNs_ = 0;
    std::vector<std::string> captions_;
};

}  // namespace quillo
