#pragma once
// The saver: start-up, the input test, the display tick and shutdown, over one or more shows
// (Show.h), each a window with its display mode. It reads the options once at start and hands
// them to its parts: the playlist (Playlist.h) chooses the pictures, the saver loads them
// (SaverPictures.cpp), the sound is SoundPlayback's, the tick is in DisplayTick.cpp, and the
// modes are one file each behind DisplayMode.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DisplayMode.h"
#include "EventLoop.h"
#include "Host.h"
#include "MediaPlayer.h"
#include "Options.h"
#include "PictureAhead.h"
#include "Playlist.h"
#include "SaverRandom.h"
#include "SettingsStore.h"
#include "Show.h"
#include "SoundPlayback.h"
#include "SystemServices.h"
#include "Window.h"

namespace quillo {

constexpr const char* kSaverTitle = "zadarovi";
constexpr const char* kSaverApplicationTitle = "Quillo Screensaver Creator";
constexpr const char* kNoPicturesText =
    "You have not entered any pictures for display!  Go into screensaver \"settings\", and enter "
    "some pictures for viewing.";

// The window's life: Starting (created, the start-up sequence running, not yet on the screen),
// Showing, Closed. Starting goes to Showing or, when input ends the saver before it shows, to
// Closed; Showing goes to Closed; nothing leaves Closed.
enum class SaverPhase { Starting, Showing, Closed };

// What the program that starts the saver asks of this run, beside the settings.
struct SaverStart {
    // Decode the next picture during the delay when it is known.
    bool decodeAhead = true;
    // No sound whatever the settings say (a settings program's preview).
    bool silent = false;
    // Savers that run side by side (one per monitor) share one sound list: see
    // SoundPlayback::start. Unset: the sound is this saver's alone.
    std::function<bool()> claimSound;
    // How long the start waits for another writer's lock before it runs the show without
    // writing Status.
    int lockWaitMs = 1000;
};

class SaverWindow : private Animation {
public:
    // Without a player the saver has no audio service and runs silent. Each show is a window of
    // its own; the host's window shows the first.
    SaverWindow(Host& host, EventLoop& loop, SystemServices& services,
                MediaPlayer* player = nullptr, int showCount = 1);
    ~SaverWindow() override;

    // The start-up sequence; runs once. It covers the screen first (showWindow), then settles the
    // settings file, waiting for the writers' lock from the loop at most lockWaitMs, and starts
    // the show.
    void start(SaverStart parameters = {});
    // Covers the screen with the black window, input ending the saver from then on; once.
    void showWindow();
    // The input test: sees every queued message before it is dispatched; never handles it.
    void onInput(Event& msg, bool& handled);
    // Ends the saver: nothing is drawn or played after it.
    void stop();
    // The display tick: the colour counters, the first tick's interval, the sound step, then the
    // display mode of every show, in that order.
    void onTick();

    Host& host() { return host_; }
    SaverRandom& random() { return random_; }
    // The options as read at the start (the start values before).
    const Options& options() const { return options_; }
    const Playlist& playlist() const { return playlist_; }
    SoundPlayback& sound() { return sound_; }
    // For benches that draw without a settings file: the pictures the shows take from now on.
    void usePlaylist(Playlist playlist) { playlist_ = std::move(playlist); }
    Show& show(int index = 0) { return *shows_[std::size_t(index)]; }
    int showCount() const { return int(shows_.size()); }
    SaverPhase phase() const { return phase_; }
    bool closed() const { return phase_ == SaverPhase::Closed; }
    // The display timer: its first tick 1000 ms after the start, then every Time ms; off while
    // a show animates.
    const Timer& displayTimer() const { return displayTimer_; }
    Point startCursorPos() const { return startCursorPos_; }
    void setStartCursorPos(Point p) { startCursorPos_ = p; }

    // For tests: returns once the picture decoded ahead is ready (or failed), or at once when
    // none is being decoded.
    void waitForPictureAhead();

    // Set before start: what decodes the pictures, at the tick and ahead of it.
    void setPictureDecoder(PictureDecoder decode) {
        decodePicture_ = decode;
        ahead_.setDecoder(std::move(decode));
    }

private:
    friend class Show;
    // Loads the playlist's next picture for that show (the fallback picture when it cannot be
    // loaded, and, with ShowFallback, when its data fail to decode); the first show's pick also
    // picks the sound file that opens next.
    LoadedPicture loadNextPicture(PictureUse use, BadPicture bad, Show& taker);
    // With Captions on, the caption of the file the request loaded.
    std::string captionFor(const PictureRequest& request, const LoadedPicture& loaded) const;
    PictureRequest pictureRequest(int index, PictureUse use, Size screen) const;
    // After a tick (and at the start): decodes the pictures the next tick takes, as far as they
    // are known, every show's in screen order, as their modes will ask for them.
    void decodeNextAhead();
    void installMessageFilter();
    Show& addShow(const ScreenInfo& screen);
    // Fits the shows to the screens as they are now: with AllScreens a show per screen, in the
    // order of their left edges, then top edges; without, the one show on the primary screen. A
    // screen inside another, or mirroring it, is shown by that one's show (ScreenLayout.h).
    void followScreens();
    // The "no pictures" text on the primary screen's show, every show white.
    void showNoPictures();
    void waitForSettingsLock();
    void startShow();
    // Reads the options and the lists, once: the options and the playlist are the saver's from
    // then on; returns the lists for the sound.
    SaverLists readSettings();
    // The text of every show's information label.
    void setInfoText(const std::string& text);
    Picture fitPicture(Picture picture, Size screen);
    // Fit is on and the display mode is one it changes.
    bool fitApplies() const;
    bool endsSaver(const Event& msg) const;
    void dispatch(const Event& msg);
    // Moves to the next phase; false (and no change) when the life above does not allow it.
    bool enterPhase(SaverPhase next);

    // The shows' frames, as the event loop advances them. The display timer is off while any
    // show has frames to come, and goes on again, counting the delay afresh, when the last ends.
    std::optional<std::uint64_t> nextFrameDue() const override;
    void advanceFrames(std::uint64_t nowNs) override;
    bool holdsNotices() const override;

    Host& host_;
    EventLoop& loop_;
    SystemServices& services_;
    SaverRandom random_;
    std::unique_ptr<MediaPlayer> ownPlayer_;
    SoundPlayback sound_;
    SaverStart parameters_;
    // Set once, when the settings are read.
    Options options_;
    Playlist playlist_;
    std::vector<std::unique_ptr<Show>> shows_;
    Timer displayTimer_;
    // Shown in place of any picture that cannot be loaded.
    const Picture fallbackPicture_;
    Point startCursorPos_;
    Timer lockRetry_;
    std::uint64_t lockGiveUpAt_ = 0;
    // The settings file, located at the start.
    SettingsStore settings_;
    bool firstTick_ = true;
    // The settings are read and the show began (or "no pictures" was shown).
    bool started_ = false;
    // The tick switched the display timer off for the shows' frames.
    bool timerPausedForFrames_ = false;
    SaverPhase phase_ = SaverPhase::Starting;
    PictureDecoder decodePicture_ = loadRequestedPicture;
    PictureAhead ahead_;
};

}  // namespace quillo
