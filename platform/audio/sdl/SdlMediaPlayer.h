#pragma once
// The real media player: SDL2_mixer's music stream, audio subsystem only. The audio device opens
// at the first open and stays open until the player goes. SDL_mixer has one music stream per
// process, so there is at most one SdlMediaPlayer at a time.
//
// Every call into SDL runs on a worker thread of the player's own, and the calling thread waits
// for it at most a deadline: a sound server that never answers or a sink that stops reading
// blocks SDL inside its open, its writes or its close, and that must never freeze the saver or
// keep it from ending. Past the deadline the device counts as failed for the rest of the run
// (open and play raise MediaDeviceError, the mode is NotReady) and the stuck worker is left to
// the end of the process, which does not wait for it.
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "EventLoop.h"
#include "MediaPlayer.h"

namespace quillo {

class SdlMediaPlayer : public MediaPlayer {
public:
    // An open may have to start a sound server or read a soundfont; everything else is quick, and
    // the end of the saver (a stop, then the close) must stay within a second all told.
    static constexpr std::chrono::milliseconds kOpenDeadline{1000};
    static constexpr std::chrono::milliseconds kCallDeadline{400};

    explicit SdlMediaPlayer(EventLoop& loop, std::chrono::milliseconds openDeadline = kOpenDeadline,
                            std::chrono::milliseconds callDeadline = kCallDeadline);
    // Closes the device as shutDown does; never waits longer than the deadline.
    ~SdlMediaPlayer() override;
    SdlMediaPlayer(const SdlMediaPlayer&) = delete;
    SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

    void open(const std::string& file) override;
    void play() override;
    void stop() override;
    PlayerMode mode() override;
    void close() override;
    std::int64_t lastPlay() const override;

    // Stops, closes the file and the device. False when the device did not let go within the
    // deadline (or had failed before): its thread is then stuck, and the process must end
    // without waiting for it.
    bool shutDown();
    // True once the device missed a deadline.
    bool failed() const { return failed_; }
    // The audio devices open in this process, counting those of players that are gone but whose
    // worker has not yet come back from SDL to close its device.
    static int devicesOpen();

    // The General MIDI soundfont MIDI files play through when SDL_SOUNDFONTS names none; "" if
    // none of the usual places holds one.
    static std::string defaultSoundFont();

    struct Device;
    class Worker;

private:
    // Runs f(device) on the worker and returns its result; throws what f throws, and
    // MediaDeviceError once the deadline passes (or a deadline passed before).
    template <class F>
    auto onDevice(F f, std::chrono::milliseconds deadline);
    // As onDevice, but a device that does not answer only marks the failure.
    template <class F>
    void quietly(F f);

    std::shared_ptr<Device> device_;
    std::shared_ptr<Worker> worker_;
    std::chrono::milliseconds openDeadline_, callDeadline_;
    bool failed_ = false;
    bool shutDown_ = false;
};

}  // namespace quillo
