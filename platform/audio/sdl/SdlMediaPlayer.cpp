#include "SdlMediaPlayer.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>

#include "Errors.h"

namespace quillo {

// Everything of SDL's, touched only on the worker thread; the atomics and the loop pointer are
// shared with the interface thread and SDL's audio thread.
struct SdlMediaPlayer::Device {
    std::mutex loopMutex;
    EventLoop* loop = nullptr;  // null once the player is gone
    bool open = false;
    Mix_Music* music = nullptr;
    // The file the music was loaded from, as it was then: the same file unchanged is not loaded
    // again (a MIDI file would read its whole soundfont at every load).
    std::string musicFile;
    struct timespec musicTime {};
    off_t musicSize = 0;
    std::atomic<std::int64_t> lastPlay{0};
    std::atomic<bool> noticeDue{false};

    void post(const Event& m) {
        std::lock_guard lock(loopMutex);
        if (loop) loop->post(m);
    }
    // Posts the notice of the running play, once: from the audio thread at its end, or from
    // stop and close.
    void notify(std::uint64_t outcome) {
        if (noticeDue.exchange(false)) post(soundFinishedEvent(outcome, lastPlay));
    }
};

// One thread that runs the device's jobs in order. It owns a share of its queue, so a worker the
// player gave up on can go on (or stay stuck) after the player is gone. Unlike the saver's
// picture decoder, which is stopped and joined at the end, it is detached: the audio device is
// the one call that can block for good out of our hands, and the interface thread must stay free
// to end the saver.
class SdlMediaPlayer::Worker {
public:
    static std::shared_ptr<Worker> start() {
        auto w = std::make_shared<Worker>();
        std::thread([w] { w->run(); }).detach();
        return w;
    }
    void post(std::function<void()> job) {
        {
            std::lock_guard lock(mutex_);
            jobs_.push_back(std::move(job));
        }
        ready_.notify_one();
    }
    void quit() { post({}); }

private:
    void run() {
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return !jobs_.empty(); });
                job = std::move(jobs_.front());
                jobs_.pop_front();
            }
            if (!job) return;
            job();
        }
    }

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
};

namespace {

// The device SDL_mixer's finished hook reports to. The hook runs on the audio thread (or inside
// Mix_HaltMusic on the worker) with the audio lock held; the mutex is never held while calling
// SDL, so the two locks are always taken in the same order.
std::mutex hookMutex;
std::shared_ptr<SdlMediaPlayer::Device> hookTarget;

// Devices open in this process, those of players that gave up on their worker included.
std::atomic<int> openDeviceCount{0};

void musicFinished() {
    std::lock_guard lock(hookMutex);
    if (hookTarget) hookTarget->notify(notice::Successful);
}

void openDevice(SdlMediaPlayer::Device& d, const std::shared_ptr<SdlMediaPlayer::Device>& self) {
    if (d.open) return;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw MediaDeviceError(SDL_GetError());
    Mix_Init(MIX_INIT_MP3 | MIX_INIT_MID | MIX_INIT_OGG | MIX_INIT_FLAC);
    if (Mix_OpenAudio(44100, AUDIO_S16SYS, 2, 1024) != 0) {
        const std::string why = Mix_GetError();
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw MediaDeviceError(why);
    }
    d.open = true;
    ++openDeviceCount;
    // Debian's SDL_mixer looks for a soundfont where Debian 12 installs none; name the one that
    // is there, unless the user named their own.
    const char* fonts = std::getenv("SDL_SOUNDFONTS");
    if (!fonts || !*fonts) {
        const std::string font = SdlMediaPlayer::defaultSoundFont();
        if (!font.empty()) Mix_SetSoundFonts(font.c_str());
    }
    {
        std::lock_guard lock(hookMutex);
        hookTarget = self;
    }
    Mix_HookMusicFinished(musicFinished);
}

void stopMusic(SdlMediaPlayer::Device& d) {
    if (!d.music) return;
    // Halting calls the finished hook on this thread; claim the notice first so it says Aborted.
    const bool due = d.noticeDue.exchange(false);
    Mix_HaltMusic();
    if (due) d.post(soundFinishedEvent(notice::Aborted, d.lastPlay));
}

void freeMusic(SdlMediaPlayer::Device& d) {
    if (!d.music) return;
    Mix_FreeMusic(d.music);
    d.music = nullptr;
    d.musicFile.clear();
}

void closeDevice(SdlMediaPlayer::Device& d) {
    stopMusic(d);
    freeMusic(d);
    if (!d.open) return;
    bool hooked = false;
    {
        std::lock_guard lock(hookMutex);
        hooked = hookTarget.get() == &d;
    }
    // A worker that comes back late must not unhook a later player's device.
    if (hooked) {
        Mix_HookMusicFinished(nullptr);
        std::lock_guard lock(hookMutex);
        hookTarget.reset();
    }
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    d.open = false;
    --openDeviceCount;
}

// The worker's last job: SDL keeps per-thread state (its error text) for a thread it did not
// start and frees it only when asked.
void releaseDevice(SdlMediaPlayer::Device& d) {
    closeDevice(d);
    SDL_TLSCleanup();
}

MediaDeviceError noAnswer() {
    return MediaDeviceError("The audio device does not answer");
}

}  // namespace

SdlMediaPlayer::SdlMediaPlayer(EventLoop& loop, std::chrono::milliseconds openDeadline,
                               std::chrono::milliseconds callDeadline)
    : device_(std::make_shared<Device>()),
      worker_(Worker::start()),
      openDeadline_(openDeadline),
      callDeadline_(callDeadline) {
    device_->loop = &loop;
}

SdlMediaPlayer::~SdlMediaPlayer() {
    shutDown();
    {
        std::lock_guard lock(device_->loopMutex);
        device_->loop = nullptr;
    }
    // A worker given up on may still come back from SDL: it then lets the device go, so that no
    // device stays open behind a player that is gone.
    if (failed_) worker_->post([device = device_] { releaseDevice(*device); });
    worker_->quit();
}

int SdlMediaPlayer::devicesOpen() {
    return openDeviceCount;
}

template <class F>
auto SdlMediaPlayer::onDevice(F f, std::chrono::milliseconds deadline) {
    if (failed_ || shutDown_) throw noAnswer();
    using Result = decltype(f(*device_));
    auto task = std::make_shared<std::packaged_task<Result()>>(
        [f = std::move(f), device = device_]() mutable { return f(*device); });
    std::future<Result> result = task->get_future();
    worker_->post([task] { (*task)(); });
    if (result.wait_for(deadline) != std::future_status::ready) {
        failed_ = true;
        throw noAnswer();
    }
    return result.get();
}

template <class F>
void SdlMediaPlayer::quietly(F f) {
    try {
        onDevice(std::move(f), callDeadline_);
    } catch (const MediaDeviceError&) {
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

void SdlMediaPlayer::open(const std::string& file) {
    onDevice(
        [file, self = device_](Device& d) {
            stopMusic(d);
            // Only regular files: a FIFO would block the open, a folder named x.mp3 would only fail
            // deeper down.
            struct stat st;
            if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
                freeMusic(d);
                throw MediaDeviceError("Cannot open " + file);
            }
            if (d.music && d.musicFile == file && d.musicSize == st.st_size &&
                d.musicTime.tv_sec == st.st_mtim.tv_sec &&
                d.musicTime.tv_nsec == st.st_mtim.tv_nsec)
                return;  // the same file, unchanged: it plays from its start again
            openDevice(d, self);
            // The new file loads before the old one goes: a MIDI synthesiser that is still alive
            // keeps the soundfont's samples cached for the next one.
            Mix_Music* loaded = Mix_LoadMUS(file.c_str());
            freeMusic(d);
            if (!loaded) throw MediaDeviceError(Mix_GetError());
            d.music = loaded;
            d.musicFile = file;
            d.musicTime = st.st_mtim;
            d.musicSize = st.st_size;
        },
        openDeadline_);
}

void SdlMediaPlayer::play() {
    onDevice(
        [](Device& d) {
            // A play over a running one ends that one first: it still gets its own notice.
            if (d.noticeDue.exchange(false))
                d.post(soundFinishedEvent(notice::Superseded, d.lastPlay));
            ++d.lastPlay;
            if (!d.music) {
                d.post(soundFinishedEvent(notice::Failure, d.lastPlay));
                return;
            }
            d.noticeDue = true;
            if (Mix_PlayMusic(d.music, 1) != 0) d.notify(notice::Failure);
        },
        callDeadline_);
}

std::int64_t SdlMediaPlayer::lastPlay() const {
    return device_->lastPlay;
}

void SdlMediaPlayer::stop() {
    quietly([](Device& d) { stopMusic(d); });
}

PlayerMode SdlMediaPlayer::mode() {
    try {
        return onDevice(
            [](Device& d) {
                if (!d.music) return PlayerMode::NotReady;
                return Mix_PlayingMusic() ? PlayerMode::Playing : PlayerMode::Stopped;
            },
            callDeadline_);
    } catch (const MediaDeviceError&) {
        return PlayerMode::NotReady;
    }
}

void SdlMediaPlayer::close() {
    quietly([](Device& d) {
        stopMusic(d);
        freeMusic(d);
    });
}

bool SdlMediaPlayer::shutDown() {
    if (shutDown_) return !failed_;
    quietly([](Device& d) { releaseDevice(d); });
    shutDown_ = true;
    return !failed_;
}

}  // namespace quillo
