#pragma once
// The real media player: SDL2_mixer's music stream, audio subsystem only. The audio device opens
// at the first open and stays open until the player goes. SDL_mixer has one music stream per
// process, so there is at most one SdlMediaPlayer at a time.
#include <atomic>
#include <cstdint>
#include <string>

#include "EventLoop.h"
#include "MediaPlayer.h"

typedef struct _Mix_Music Mix_Music;

namespace quillo {

class SdlMediaPlayer : public MediaPlayer {
public:
    explicit SdlMediaPlayer(EventLoop& loop);
    ~SdlMediaPlayer() override;
    SdlMediaPlayer(const SdlMediaPlayer&) = delete;
    SdlMediaPlayer& operator=(const SdlMediaPlayer&) = delete;

    void open(const std::string& file) override;
    void play() override;
    void stop() override;
    PlayerMode mode() override;
    void close() override;
    std::int64_t lastPlay() const override { return lastPlay_; }

    // The General MIDI soundfont MIDI files play through when SDL_SOUNDFONTS names none; "" if
    // none of the usual places holds one.
    static std::string defaultSoundFont();

private:
    friend void musicFinished();
    void openDevice();
    // Posts the notice of the running play, once: from the audio thread at its end, or from
    // stop and close.
    void notify(std::uint64_t outcome);

    EventLoop& loop_;
    bool deviceOpen_ = false;
    Mix_Music* music_ = nullptr;
    std::atomic<std::int64_t> lastPlay_{0};
    std::atomic<bool> noticeDue_{false};
};

}  // namespace quillo
