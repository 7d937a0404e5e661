#include "EventLoop.h"

#include <algorithm>
#include <limits>

#include "Window.h"

namespace quillo {

Timer::Timer(EventLoop& loop, std::uint32_t interval) : loop_(loop), interval_(interval) {
    loop_.timers_.push_back(this);
}

Timer::~Timer() {
    std::erase(loop_.timers_, this);
}

void Timer::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) restart();
}

void Timer::setInterval(std::uint32_t ms) {
    if (ms == interval_) return;
    interval_ = ms;
    if (enabled_) restart();
}

void Timer::restart() {
    dueAt_ = loop_.host_.nowMs() + interval_;
}

EventLoop::EventLoop(Host& host) : host_(host) {
    // Input under a box is shown to the filter at once, as the queue would have shown it; the
    // box goes when the filter has ended the loop, so a box never keeps the program running.
    host_.setBoxInputHandler([this](const Message& input) {
        if (quit_) return true;
        Message m = input;
        guarded([&] {
            bool handled = false;
            if (filter_) filter_(m, handled);
        });
        return quit_;
    });
}

EventLoop::~EventLoop() {
    host_.setBoxInputHandler(nullptr);
}

void EventLoop::post(const Message& m) {
    {
        std::lock_guard lock(postedMutex_);
        posted_.push_back(m);
    }
    host_.wake();
}

void EventLoop::guarded(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        if (errorDisplay_) errorDisplay_(e);
    }
}

void EventLoop::handle(Message& m) {
    guarded([&] {
        if (m.message == msg::Resize && form_)
            form_->resize({int(m.lParam & 0xFFFF), int(m.lParam >> 16 & 0xFFFF)});
        bool handled = false;
        if (filter_) filter_(m, handled);
        if (!handled && dispatch_) dispatch_(m);
    });
}

void EventLoop::flushDrawing() {
    if (form_) guarded([&] { form_->flush(); });
}

void EventLoop::sleep(int ms) {
    flushDrawing();
    host_.sleepMs(ms);
}

void EventLoop::processMessages() {
    flushDrawing();
    // Input first, then notices posted by other threads, each in arrival order.
    std::vector<Message> batch;
    host_.pumpInput(batch);
    {
        std::lock_guard lock(postedMutex_);
        batch.insert(batch.end(), posted_.begin(), posted_.end());
        posted_.clear();
    }
    for (Message& m : batch) {
        if (quit_) return;
        handle(m);
    }
    if (quit_) return;
    if (form_ && form_->repaintPending()) guarded([&] { form_->repaint(); });
    fireDueTimers();
    flushDrawing();
}

void EventLoop::fireDueTimers() {
    const std::uint64_t now = host_.nowMs();
    // A handler may create, destroy or re-arm timers, so walk a snapshot and re-check each.
    const std::vector<Timer*> snapshot = timers_;
    for (Timer* t : snapshot) {
        if (quit_) return;
        if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) continue;
        if (!t->enabled_ || t->interval_ == 0 || t->dueAt_ > now) continue;
        t->dueAt_ = now + t->interval_;
        if (t->OnTimer) guarded(t->OnTimer);
    }
}

int EventLoop::msUntilNextTimer() {
    std::uint64_t next = std::numeric_limits<std::uint64_t>::max();
    for (const Timer* t : timers_)
        if (t->enabled_ && t->interval_ != 0) next = std::min(next, t->dueAt_);
    if (next == std::numeric_limits<std::uint64_t>::max()) return -1;
    const std::uint64_t now = host_.nowMs();
    if (next <= now) return 0;
    return int(std::min<std::uint64_t>(next - now, std::numeric_limits<int>::max()));
}

void EventLoop::run() {
    while (!quit_) {
        processMessages();
        if (quit_) break;
        bool pendingPost;
        {
            std::lock_guard lock(postedMutex_);
            pendingPost = !posted_.empty();
        }
        if (!pendingPost && !(form_ && form_->repaintPending()))
            host_.waitForInput(msUntilNextTimer());
    }
}

}  // namespace quillo
