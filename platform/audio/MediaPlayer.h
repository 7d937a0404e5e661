#pragma once
// The saver's media player: one sound file open at a time, played in the background. The
// finished notice is an event (EventKind::SoundFinished) posted to the user-interface thread's
// loop, so the saver handles it like input, between ticks or inside an effect's message pump.
#include <cstdint>
#include <string>

namespace quillo {

// The answer of the mode query. The saver only tells Stopped from Playing; a player without an
// open file is NotReady, never Stopped, so a tick never starts a file before the first open.
enum class PlayerMode { NotReady = 0, Stopped = 1, Playing = 2 };

// How a play ended: the outcome of its SoundFinished event, which also names the play.
namespace notice {
constexpr std::uint64_t Successful = 1;  // the file played to its end
constexpr std::uint64_t Superseded = 2;
constexpr std::uint64_t Aborted = 4;  // cut short by stop or close
constexpr std::uint64_t Failure = 8;  // the device would not play
}  // namespace notice

class MediaPlayer {
public:
    virtual ~MediaPlayer() = default;

    // Closes the file that is open, then opens this one and returns once it is ready to play.
    // Throws MediaDeviceError when there is no audio device, the device does not answer in time
    // or the file cannot be played; the previous file is closed all the same.
    virtual void open(const std::string& file) = 0;
    // Plays the open file from its current position and returns at once. Every call posts
    // exactly one SoundFinished event later: when the file ends, is stopped or closed, or at once
    // (Failure) when the device refuses; a refusal raises nothing and leaves the mode Stopped.
    // A device that does not answer in time raises MediaDeviceError.
    virtual void play() = 0;
    // Stops playing and returns once stopped; the file stays open. Does nothing when not playing.
    virtual void stop() = 0;
    virtual PlayerMode mode() = 0;
    // Stops and closes the open file, if any.
    virtual void close() = 0;
    // The number of the latest play, counted from 1; a notice names the play it reports on.
    virtual std::int64_t lastPlay() const = 0;
};

// A player for a host without an audio service: no file ever opens.
class NoMediaPlayer : public MediaPlayer {
public:
    void open(const std::string& file) override;
    void play() override {}
    void stop() override {}
    PlayerMode mode() override { return PlayerMode::NotReady; }
    void close() override {}
    std::int64_t lastPlay() const override { return 0; }
};

}  // namespace quillo
