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
    explicit HeadlessHost(Size screen = {640, 480}, int depth = 24);

    // Test controls.
    void queueInput(const Event& m) { input_.push_back(m); }
    void setCursorPos(Point p) { cursor_ = p; }
    void advance(std::uint64_t ms) { nowNs_ += ms * 1'000'000; }
    int cursorCount() const { return cursorCount_; }
    bool windowOpen() const { return open_; }
    const std::string& windowTitle() const { return title_; }
    const std::vector<Rect>& presented() const { return presented_; }
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
    const Bitmap* frame() const { return frame_; }
    // Writes the framebuffer as a 24-bit bottom-up BMP file.
    void saveFrame(const std::string& path) const;

    // Host.
    Size screenSize() override { return screen_; }
    int screenDepth() override { return depth_; }
    Point cursorPos() override { return cursor_; }
    int showCursor(bool show) override { return cursorCount_ += show ? 1 : -1; }
    void openWindow(const std::string& title, const Bitmap& framebuffer) override;
    void closeWindow() override { open_ = false; }
    void present(const Rect& dirty) override { presented_.push_back(dirty); }
    // Text is drawn as one solid cell per visible character, so tests can see where it went.
    void drawText(Bitmap& target, const Rect& area, const std::string& text, const Font& font,
                  Color color) override;
    void pumpInput(std::vector<Event>& out) override;
    // Never blocks: with a timeout the clock jumps to it, so a run loop always makes progress.
    void waitForInput(int timeoutMs) override;
    void wake() override {}
    std::uint64_t nowNs() override { return nowNs_; }
    void sleepMs(int ms) override;
    MessageResult show(MessageKind kind, const std::string& text,
                       MessageButtons buttons = MessageButtons::Ok) override;

private:
    Size screen_;
    int depth_;
    Point cursor_;
    int cursorCount_ = 0;
    bool open_ = false;
    std::string title_;
    const Bitmap* frame_ = nullptr;
    std::deque<Event> input_;
    BoxInputHandler boxInput_;
    std::vector<Rect> presented_;
    std::uint64_t nowNs_ = 0;
};

}  // namespace quillo
