#pragma once
// The running savers' marks: a lock on $XDG_RUNTIME_DIR/quillo/saver.lock (or a per-user folder
// under the temp folder, used only when it is ours alone, else under the cache folder), held
// from before the window's creation until the process exits. The full-screen saver holds it
// alone (a write lock); savers drawn into other programs' windows share it (read locks), so an
// idle daemon can run one per monitor while every other start still sees a saver running.
//
// The locks are open-file-description record locks: like flock they go with the last descriptor
// of their open file, and unlike flock they can be tested without being taken, so a start that
// only looks never makes another start's attempt fail.
#include <string>

namespace quillo {

class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Takes the lock alone, without waiting; false while any saver holds it. A lock that cannot
    // be made (no folder of ours) keeps no start away: true, holding nothing.
    bool acquire();
    // Takes a share of the lock beside other sharers, without waiting; false while a saver holds
    // it alone. True, holding nothing, when it cannot be made.
    bool acquireShared();

    // True while some process holds the lock, alone or shared: a saver is on the screen.
    static bool saverRunning();
    // True while some process holds the lock alone: the full-screen saver is on the screen.
    static bool soleSaverRunning();
    static std::string lockPath();

private:
    int fd_ = -1;
};

// The right to play the sound list among savers side by side (sound.lock beside saver.lock):
// one holder at a time, so two tracks never play at once; released when the process ends.
class SoundLock {
public:
    SoundLock() = default;
    ~SoundLock();
    SoundLock(const SoundLock&) = delete;
    SoundLock& operator=(const SoundLock&) = delete;

    // Takes it without waiting, or says that it is held already; false while another process
    // holds it. True, holding nothing, when it cannot be made: sound then plays as it would
    // without savers side by side.
    bool tryAcquire();

private:
    int fd_ = -1;
};

}  // namespace quillo
