#pragma once
// Runs a function when the scope ends, however it ends: for undoing a step (a timer switched off,
// a grab given up, a descriptor opened) on every path out, exceptions included.
#include <utility>

namespace quillo {

template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F f) : f_(std::move(f)) {}
    ~ScopeExit() {
        if (active_) f_();
    }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;
    void release() { active_ = false; }

private:
    F f_;
    bool active_ = true;
};

}  // namespace quillo
