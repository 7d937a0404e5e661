#pragma once
// The running saver's mark: an exclusive flock on $XDG_RUNTIME_DIR/quillo/saver.lock (or a
// per-user folder under the temp folder, used only when it is ours alone, else under the cache
// folder), held from window creation until the process exits.
#include <string>

namespace quillo {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock without waiting; false when another process holds it (or it can't be made).
    bool acquire();

    // True while some process holds the lock: a saver is on the screen.
    static bool saverRunning();
    static std::string lockPath();

private:
    int fd_ = -1;
};

}  // namespace quillo
