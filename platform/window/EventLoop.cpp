#include "EventLoop.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "ScopeExit.h"

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
    host_.setBoxInputHandler([this](const Event& input) {
        if (quit_) return true;
        Event m = input;
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

void EventLoop::post(const Event& m) {
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

void EventLoop::setForm(Form* form) {
    forms_.clear();
    if (form) forms_.push_back(form);
}

void EventLoop::addForm(Form* form) {
    if (form && std::find(forms_.begin(), forms_.end(), form) == forms_.end())
        forms_.push_back(form);
}

void EventLoop::removeForm(Form* form) {
    std::erase(forms_, form);
}

void EventLoop::handle(Event& m) {
    guarded([&] {
        if (m.kind == EventKind::Resize && !forms_.empty()) forms_.front()->resize(m.size);
        bool handled = false;
        if (filter_) filter_(m, handled);
        if (!handled && dispatch_) dispatch_(m);
    });
}

void EventLoop::flushDrawing() {
    for (Form* form : forms_) guarded([&] { form->flush(); });
}

bool EventLoop::repaintPending() const {
    return std::any_of(forms_.begin(), forms_.end(),
                       [](const Form* f) { return f->repaintPending(); });
}

bool EventLoop::animating() const {
    return animation_ && animation_->nextFrameDue().has_value();
}

void EventLoop::handleInput(std::vector<Event>& input, std::vector<Event>& posted) {
    // While an animation holds notices they wait in arrival order; the user's input goes first
    // and never waits, and neither does a request to end.
    std::vector<Event> batch = std::move(input);
    if (animation_ && animation_->holdsNotices()) {
        for (Event& m : posted) (m.kind == EventKind::Terminate ? batch : held_).push_back(m);
    } else {
        batch.insert(batch.end(), held_.begin(), held_.end());
        held_.clear();
        batch.insert(batch.end(), posted.begin(), posted.end());
    }
    for (Event& m : batch) {
        if (quit_) return;
        handle(m);
    }
}

void EventLoop::processMessages() {
    if (inPass_) throw std::logic_error("The message loop was entered from inside itself");
    inPass_ = true;
    ScopeExit leave([this] { inPass_ = false; });
    flushDrawing();
    // Input first, then notices posted by other threads, each in arrival order.
    std::vector<Event> input;
    guarded([&] { host_.pumpInput(input); });
    std::vector<Event> posted;
    {
        std::lock_guard lock(postedMutex_);
        posted.assign(posted_.begin(), posted_.end());
        posted_.clear();
    }
    handleInput(input, posted);
    if (quit_) return;
    for (Form* form : forms_)
        if (form->repaintPending()) guarded([&] { form->repaint(); });
    fireDueTimers();
    if (quit_) return;
    advanceAnimation();
    flushDrawing();
}

void EventLoop::advanceAnimation() {
    if (!animation_) return;
    const std::optional<std::uint64_t> due = animation_->nextFrameDue();
    const std::uint64_t now = host_.nowNs();
    if (due && *due <= now) guarded([&] { animation_->advanceFrames(now); });
}

void EventLoop::fireDueTimers() {
    const std::uint64_t now = host_.nowMs();
    // A handler may create, destroy or re-arm timers, so walk a snapshot and re-check each.
    const std::vector<Timer*> snapshot = timers_;
    for (Timer* t : snapshot) {
        if (quit_) return;
        if (std::find(timers_.begin(), timers_.end(), t) == timers_.end()) continue;
        if (!t->enabled_ || t->interval_ == 0 || t->dueAt_ > now) continue;
        t->firedDueAt_ = t->dueAt_;
        t->dueAt_ = now + t->interval_;
        if (t->OnTimer) guarded(t->OnTimer);
    }
}

int EventLoop::msUntilNextEvent() {
    std::uint64_t nextMs = std::numeric_limits<std::uint64_t>::max();
    for (const Timer* t : timers_)
        if (t->enabled_ && t->interval_ != 0) nextMs = std::min(nextMs, t->dueAt_);
    const std::uint64_t nowNs = host_.nowNs();
    const std::uint64_t nowMs = nowNs / 1'000'000;
    if (animation_) {
        if (const std::optional<std::uint64_t> due = animation_->nextFrameDue()) {
            if (*due <= nowNs) return 0;
            // Rounded up, so that the frame is due when the wait ends.
            nextMs = std::min(nextMs, nowMs + (*due - nowNs + 999'999) / 1'000'000);
        }
    }
    if (nextMs == std::numeric_limits<std::uint64_t>::max()) return -1;
    if (nextMs <= nowMs) return 0;
    return int(std::min<std::uint64_t>(nextMs - nowMs, std::numeric_limits<int>::max()));
}

void EventLoop::waitForWork() {
    if (quit_) return;
    {
        std::lock_guard lock(postedMutex_);
        if (!posted_.empty()) return;
    }
    if (repaintPending()) return;
    if (!held_.empty() && !(animation_ && animation_->holdsNotices())) return;
    host_.waitForInput(msUntilNextEvent());
}

void EventLoop::run() {
    while (!quit_) {
        processMessages();
        waitForWork();
    }
}

}  // namespace quillo
