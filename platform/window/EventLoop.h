#pragma once
// The message loop shared by both hosts: input is queued as messages, each is shown to the
// application's message filter and then dispatched; a pending repaint is served once the queue
// is empty, then the timers that are due fire. Timer handlers may handle messages themselves
// (processMessages), so everything here is re-entrant.
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
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

    std::function<void()> OnTimer;

private:
    friend class EventLoop;
    void restart();

    EventLoop& loop_;
    bool enabled_ = false;
    std::uint32_t interval_;
    std::uint64_t dueAt_ = 0;
};

class EventLoop {
public:
    using Filter = std::function<void(Message&, bool& handled)>;
    using Handler = std::function<void(const Message&)>;
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
    void setForm(Form* form) { form_ = form; }

    // Thread-safe: queues a message and wakes the loop.
    void post(const Message& m);
    // Handles every pending message, a pending repaint and the due timers, then returns. Direct
    // drawing is put on the screen first, and again after the timers.
    void processMessages();
    // Puts direct drawing on the screen, then pauses without handling messages.
    void sleep(int ms);
    void flushDrawing();
    // Runs until quit().
    void run();
    void quit() { quit_ = true; }
    bool quitting() const { return quit_; }

    // Runs f, showing any exception it throws in the default error display.
    void guarded(const std::function<void()>& f);

private:
    friend class Timer;
    void handle(Message& m);
    void fireDueTimers();
    int msUntilNextTimer();

    Host& host_;
    Filter filter_;
    Handler dispatch_;
    ErrorDisplay errorDisplay_;
    Form* form_ = nullptr;
    std::vector<Timer*> timers_;
    std::mutex postedMutex_;
    std::deque<Message> posted_;
    std::vector<Message> input_;
    bool quit_ = false;
};

}  // namespace quillo
