#pragma once
// A media player for tests: files "play" until the test ends them with finish(); every call is
// logged. Notices go through the loop like the real player's, so the saver sees them as it would.
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Errors.h"
#include "EventLoop.h"
#include "MediaPlayer.h"

namespace quillo::test {

class ScriptedMediaPlayer : public MediaPlayer {
public:
    explicit ScriptedMediaPlayer(EventLoop& loop) : loop_(loop) {}

    std::set<std::string> unplayable;  // open throws for these
    std::vector<std::string> log;      // "open <file>", "play", "stop", "close"
    std::string file;                  // the open file, "" when none
    std::function<void()> onStop;      // called by every stop

    // The running file reaches its end, as the audio thread would report it.
    void finish() {
        if (mode_ != PlayerMode::Playing) return;
        mode_ = PlayerMode::Stopped;
        loop_.post(soundFinishedEvent(notice::Successful, lastPlay_));
    }

    void open(const std::string& f) override {
        close();
        log.push_back("open " + f);
        if (unplayable.count(f)) throw MediaDeviceError("cannot play " + f);
        file = f;
        mode_ = PlayerMode::Stopped;
    }
    void play() override {
        log.push_back("play");
        ++lastPlay_;
        if (file.empty()) {
            loop_.post(soundFinishedEvent(notice::Failure, lastPlay_));
            return;
        }
        mode_ = PlayerMode::Playing;
    }
    void stop() override {
        log.push_back("stop");
        if (onStop) onStop();
        if (mode_ != PlayerMode::Playing) return;
        mode_ = PlayerMode::Stopped;
        loop_.post(soundFinishedEvent(notice::Aborted, lastPlay_));
    }
    PlayerMode mode() override { return mode_; }
    void close() override {
        if (file.empty()) return;
        if (mode_ == PlayerMode::Playing) stop();
        log.push_back("close");
        file.clear();
        mode_ = PlayerMode::NotReady;
    }
    std::int64_t lastPlay() const override { return lastPlay_; }

private:
    EventLoop& loop_;
    PlayerMode mode_ = PlayerMode::NotReady;
    std::int64_t lastPlay_ = 0;
};

}  // namespace quillo::test
