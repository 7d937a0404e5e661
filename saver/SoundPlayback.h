#pragma once
// The saver's sound: the first file at start, the choice of the next, the next one at each tick
// that finds the player stopped, the completion notice, and the stop at shutdown. Sound fails
// silently: a file that cannot be opened switches sound off for the rest of the run and the
// pictures go on. Savers side by side play one sound list between them, through whichever holds
// the claim.
#include <functional>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "MediaPlayer.h"
#include "SaverRandom.h"

namespace quillo {

class SoundPlayback {
public:
    explicit SoundPlayback(MediaPlayer& player) : player_(player) {}

    // The start: the listed files, whether sound is on for this run, and the claim savers side
    // by side share (asked before each file starts; false keeps this one quiet while another
    // plays, and it asks again at each tick; unset: the sound is this saver's alone). Plays the
    // first file.
    void start(std::vector<std::string> files, bool on, std::function<bool()> claim = {});
    // Draws the file the next start opens, at random from the list.
    void pickNext(SaverRandom& random);
    // The file the next start opens.
    void setNext(std::string file) { next_ = std::move(file); }
    // The tick's step: starts the next file when the player has stopped.
    void tick();
    // The player's completion notice.
    void onFinished(const Event& notice);
    // The shutdown: a file still playing stops.
    void stop();

    // Sound is on: as the settings asked, unless this run was silent or a file failed to open.
    bool on() const { return on_; }
    const std::vector<std::string>& files() const { return files_; }
    const std::string& next() const { return next_; }

private:
    void play();

    MediaPlayer& player_;
    std::vector<std::string> files_;
    bool on_ = false;
    std::function<bool()> claim_;
    std::string next_;
    // Sound is on but another saver side by side plays it: each tick asks for it again.
    bool waiting_ = false;
};

}  // namespace quillo
