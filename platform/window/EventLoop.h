#pragma once
// The message loop shared by both hosts. One pass handles the queued input (each message shown
// to the application's message filter, then dispatched), serves the pending repaints, fires the
// due timers and draws the animation frames that are due; between passes it waits for input, a
// timer or the next frame. Nothing running inside a pass may start another: a handler that needs
// time returns and lets the loop come back for its next step.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "Host.h"

namespace quillo {

class EventLoop;
class Form;

// A window timer: fires OnTimer from the message loop every interval milliseconds while enabled.
// Switching it off stops it at once; switching it on or changing the interval restarts the count;
// setting the current value again changes nothing. An interval of 0 never fires, and a slow
// handler is followed by one tick as soon as it returns: missed ticks do not pile up.
class Timer {
public:
    explicit Timer(EventLoop& loop, std::uint32_t interval = 1000);
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    bool enabled() const { return enabled_; }
    void setEnabled(bool on);
    std::uint32_t interval() const { return interval_; }
    void setInterval(std::uint32_t ms);
    // In OnTimer: when this firing was due, on the host's clock in ms (the firing may be late).
    std::uint64_t firedDueMs() const { return firedDueAt_; }

    std::function<void()> OnTimer;

private:
    friend class EventLoop;
    void restart();

    EventLoop& loop_;
    bool enabled_ = false;
    std::uint32_t interval_;
    std::uint64_t dueAt_ = 0;
    std::uint64_t firedDueAt_ = 0;
};

// Work the loop advances frame by frame: a show with its display mode.
class Animation {
public:
    virtual ~Animation() = default;
    // When the next frame is due, on the host's clock in nanoseconds; nothing while idle.
    virtual std::optional<std::uint64_t> nextFrameDue() const = 0;
    // Draws what is due at now.
    virtual void advanceFrames(std::uint64_t nowNs) = 0;
    // True while the notices posted from other threads are to wait until the frames are over.
    // The user's input and a request to end never wait.
    virtual bool holdsNotices() const { return false; }
};

class EventLoop {
public:
    using Filter = std::function<void(Event&, bool& handled)>;
    using Handler = std::function<void(const Event&)>;
    // Called with the exception of a failed handler; shows the default error display.
    using ErrorDisplay = std::function<void(const std::exception&)>;

    explicit EventLoop(Host& host);
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    Host& host() { return host_; }
    void setMessageFilter(Filter filter) { filter_ = std::move(filter); }
    void setDispatcher(Handler handler) { dispatch_ = std::move(handler); }
    void setErrorDisplay(ErrorDisplay display) { errorDisplay_ = std::move(display); }
    // The forms whose drawing the loop presents and whose repaints it serves; the first one is
    // the window a resize message is for.
    void setForm(Form* form);
    void addForm(Form* form);
    void removeForm(Form* form);
    void setAnimation(Animation* animation) { animation_ = animation; }

    // Thread-safe: queues a message and wakes the loop.
    void post(const Event& m);
    // One pass: every pending message, the pending repaints, the due timers and the due frames,
    // then returns. Direct drawing is put on the screen first, and again at the end. Entering it
    // from inside itself is a fault and throws std::logic_error.
    void processMessages();
    // Waits until there is something for the next pass: input, a posted message, a repaint, a
    // due timer or a due frame.
    void waitForWork();
    // True while an animation has a frame to come.
    bool animating() const;
    void flushDrawing();
    // Runs until quit().
    void run();
    void quit() { quit_ = true; }
    bool quitting() const { return quit_; }

    // Runs f, showing any exception it throws in the default error display.
    void guarded(const std::function<void()>& f);

private:
    friend class Timer;
    void handle(Event& m);
    void handleInput(std::vector<Event>& input, std::vector<Event>& posted);
    void fireDueTimers();
    void advanceAnimation();
    bool repaintPending() const;
    int msUntilNextEvent();

    Host& host_;
    Filter filter_;
    Handler dispatch_;
    ErrorDisplay errorDisplay_;
    std::vector<Form*> forms_;
    Animation* animation_ = nullptr;
    std::vector<Timer*> timers_;
    std::mutex postedMutex_;
    std::deque<Event> posted_;
    // Notices that came while an animation held them, in arrival order.
    std::vector<Event> held_;
    bool inPass_ = false;
    bool quit_ = false;
};

}  // namespace quillo
