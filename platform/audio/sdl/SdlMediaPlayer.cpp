#include "SdlMediaPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <cstdlib>
#include <mutex>

#include "Errors.h"

namespace quillo {

namespace {

// The player SDL_mixer's finished hook reports to. The hook runs on the audio thread (or inside
// Mix_HaltMusic on ours) with the audio lock held; the mutex is never held while calling SDL, so
// the two locks are always taken in the same order.
std::mutex hookMutex;
SdlMediaPlayer* hookTarget = nullptr;

}  // namespace

void musicFinished() {
    std::lock_guard lock(hookMutex);
    if (hookTarget) hookTarget->notify(notice::Successful);
}

SdlMediaPlayer::SdlMediaPlayer(EventLoop& loop) : loop_(loop) {}

SdlMediaPlayer::~SdlMediaPlayer() {
    close();
    {
        std::lock_guard lock(hookMutex);
        if (hookTarget == this) hookTarget = nullptr;
    }
    if (deviceOpen_) {
        Mix_HookMusicFinished(nullptr);
        Mix_CloseAudio();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

std::string SdlMediaPlayer::defaultSoundFont() {
    // Debian's alternative first, then the fonts of the GM soundfont packages by name.
    for (const char* path :
         {"/usr/share/sounds/sf3/default-GM.sf3", "/usr/share/sounds/sf2/default-GM.sf2",
          "/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf3/MuseScore_General.sf3",
          "/usr/share/sounds/sf2/TimGM6mb.sf2", "/usr/share/soundfonts/default.sf2"}) {
        struct stat st;
        if (stat(path, &st) == 0 && S_ISREG(st.st_mode)) return path;
    }
    return "";
}

void SdlMediaPlayer::openDevice() {
    if (deviceOpen_) return;
    // SDL only tries real devices (PulseAudio, PipeWire, ALSA...), each failing at once when
    // absent or busy, so a machine without sound gets an error here rather than a wait.
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw MediaDeviceError(SDL_GetError());
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID | MIX_INIT_OGG | MIX_INIT_FLAC);
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        const std::string why = Mix_GetError();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw MediaDeviceError(why);
    }
    deviceOpen_ = true;
    // Debian's SDL_mixer looks for a soundfont where Debian 12 installs none; name the one that
    // is there, unless the user named their own.
    const char* fonts = std::getenv("SDL_SOUNDFONTS");
    if (!fonts || !*fonts) {
        const std::string font = defaultSoundFont();
        if (!font.empty()) Mix_SetSoundFonts(font.c_str());
    }
    {
        std::lock_guard lock(hookMutex);
        hookTarget = this;
    }
    Mix_HookMusicFinished(musicFinished);
}

void SdlMediaPlayer::open(const std::string& file) {
    close();
    // Only regular files: a FIFO would block the open, a folder named x.mp3 would only fail
    // deeper down.
    struct stat st;
    if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        throw MediaDeviceError("Cannot open " + file);
    openDevice();
    music_ = Mix_LoadMUS(file.c_str());
    if (!music_) throw MediaDeviceError(Mix_GetError());
}

void SdlMediaPlayer::play() {
    // A play over a running one ends that one first: it still gets its own notice.
    if (noticeDue_.exchange(false)) loop_.post({msg::MediaNotify, notice::Superseded, lastPlay_});
    ++lastPlay_;
    if (!music_) {
        loop_.post({msg::MediaNotify, notice::Failure, lastPlay_});
        return;
    }
    noticeDue_ = true;
    if (Mix_PlayMusic(music_, 1) != 0) notify(notice::Failure);
}

void SdlMediaPlayer::notify(std::uint64_t outcome) {
    if (noticeDue_.exchange(false)) loop_.post({msg::MediaNotify, outcome, lastPlay_});
}

void SdlMediaPlayer::stop() {
    if (!music_) return;
    // Halting calls the finished hook on this thread; claim the notice first so it says Aborted.
    const bool due = noticeDue_.exchange(false);
    Mix_HaltMusic();
    if (due) loop_.post({msg::MediaNotify, notice::Aborted, lastPlay_});
}

PlayerMode SdlMediaPlayer::mode() {
    if (!music_) return PlayerMode::NotReady;
    return Mix_PlayingMusic() ? PlayerMode::Playing : PlayerMode::Stopped;
}

void SdlMediaPlayer::close() {
    if (!music_) return;
    stop();
    Mix_FreeMusic(music_);
    music_ = nullptr;
}

}  // namespace quillo
