#pragma once
// The saver: start-up, the input test, the playlist, the sound, the
// display tick and shutdown, over one or more shows (Show.h), each a window with its display
// mode. The playlist is in Playlist.cpp, the tick in DisplayTick.cpp, the modes one file each
// behind DisplayMode.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DisplayMode.h"
#include "EventLoop.h"
#include "Host.h"
#include "MediaPlayer.h"
#include "PictureAhead.h"
#include "PictureDeck.h"
#include "SaverRandom.h"
#include "SettingsStore.h"
#include "Show.h"
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

class SaverWindow : private Animation {
public:
    // Without a player the saver has no audio service and runs silent. Each show is a window of
    // its own; the host's window shows the first.
    SaverWindow(Host& host, EventLoop& loop, SystemServices& services,
                MediaPlayer* player = nullptr, int showCount = 1);
    ~SaverWindow() override;

    // The start-up sequence; runs once. It covers the screen first (showWindow), then settles the
    // settings file, waiting for the writers' lock from the loop at most LockWaitMs, and starts
    // the show.
    void FormCreate();
    // Covers the screen with the black window, input ending the saver from then on; once.
    void showWindow();
    // The input test: sees every queued message before it is dispatched; never handles it.
    void onInput(Event& msg, bool& handled);
    void StopSaver();
    // The display tick: the colour counters, the first tick's interval, the sound step, then the
    // display mode of every show, in that order.
    void onTick();
    // The tick's sound step: starts NextSoundFile when the player has stopped.
    void SoundStep();
    // The player's completion notice.
    void onSoundFinished(const Event& notice);

    Host& host() { return host_; }
    SaverRandom& random() { return random_; }
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

    // Set before FormCreate: decode the next picture during the delay when it is known (on).
    bool DecodeAhead = true;
    // Set before FormCreate: what decodes the pictures, at the tick and ahead of it.
    void setPictureDecoder(PictureDecoder decode) {
        decodePicture_ = decode;
        ahead_.setDecoder(std::move(decode));
    }
    // Set before FormCreate: no sound whatever the settings say (a settings program's preview).
    bool Silent = false;
    // Set before FormCreate by savers that run side by side (one per monitor) and share one
    // sound list: asked before each sound file starts; false keeps this saver quiet while
    // another plays, and it asks again at each tick. Unset: the sound is this saver's alone.
    std::function<bool()> ClaimSound;
    // How long the start waits for another writer's lock before it runs the show without writing
    // Status.
    int LockWaitMs = 1000;

    // The options and lists read at start, with their start values, and the playlist's place.
    bool Seq = true;
    bool Sound = false;
    // The start values of the display mode and the colour set, before the settings are read.
    static constexpr DisplayModeSetting kStartDisplayMode = DisplayModeSetting::PictureInPicture;
    static constexpr int kStartColorSet = int(ColorSetSetting::AlwaysBlack);
    DisplayModeSetting Picdis = kStartDisplayMode;
    int Color = kStartColorSet;
    int Time = 8000;
    int Width = -1;
    int Height = -1;
    // Shrink pictures larger than the screen to fit it (key Fit; missing = off).
    bool Fit = false;
    // A show on every screen (key AllScreens; missing = off: the primary screen only, the others
    // black).
    bool AllScreens = false;
    // At random, every picture once before any repeats (key Shuffle; missing = off), dealt from
    // Deck, which is made with the list at start and lives for the run.
    bool Shuffle = false;
    PictureDeck Deck;
    int SequencePos = 0;
    std::vector<std::string> PictureList;
    std::vector<std::string> SoundList;
    std::string NextSoundFile;

private:
    friend class Show;
    // The playlist: loads the next picture for a show of that screen size (the fallback picture
    // when it cannot be loaded, and, with ShowFallback, when its data fail to decode) and picks
    // the sound file that opens next.
    Picture NextPicture(PictureUse use, BadPicture bad, const Show& taker);
    PictureRequest pictureRequest(int index, PictureUse use, Size screen) const;
    // After a tick (and at the start): decodes the picture the next tick takes, when it is
    // known, as this tick's first show asked for its picture.
    void decodeNextAhead();
    void installMessageFilter();
    Show& addShow(const ScreenInfo& screen);
    // Fits the shows to the screens as they are now: with AllScreens a show per screen, in the
    // order of their left edges, then top edges; without, the one show on the primary screen. A
    // screen inside another, or mirroring it, is shown by that one's show (ScreenLayout.h).
    void followScreens();
    // The "no pictures" text on the primary screen's show, every show white.
    void showNoPictures();
    // The picture of the list, from 0, drawn at random for that show: with several shows, none
    // that another show took in this tick while some are left.
    int randomPicture(const Show& taker);
    void waitForSettingsLock();
    void startShow();
    void LoadSaverSettings();
    // The text of every show's information label.
    void setInfoText(const std::string& text);
    Picture FitPicture(Picture picture, Size screen);
    void StartSound();
    void StopSound();
    bool endsSaver(const Event& msg) const;
    void dispatch(const Event& msg);
    // Moves to the next phase; false (and no change) when the life above does not allow it.
    bool enterPhase(SaverPhase next);

    // The shows' frames, as the event loop advances them. The display timer is off while any
    // show has frames to come, and goes on again, counting Time afresh, when the last ends.
    std::optional<std::uint64_t> nextFrameDue() const override;
    void advanceFrames(std::uint64_t nowNs) override;
    bool holdsNotices() const override;

    Host& host_;
    EventLoop& loop_;
    SystemServices& services_;
    SaverRandom random_;
    std::unique_ptr<MediaPlayer> ownPlayer_;
    MediaPlayer& player_;
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
    // Sound is on but another saver side by side plays it: each tick asks for it again.
    bool soundWaiting_ = false;
    // The settings are read and the show began (or "no pictures" was shown).
    bool started_ = false;
    // The pictures the shows took in the running tick, by show.
    std::vector<std::pair<const Show*, int>> tickTaken_;
    // The tick switched the display timer off for the shows' frames.
    bool timerPausedForFrames_ = false;
    SaverPhase phase_ = SaverPhase::Starting;
    // What the first show asked of the playlist in the running tick.
    struct TickAsk {
        PictureUse use;
        Size screen;
    };
    std::optional<TickAsk> tickAsk_;
    PictureDecoder decodePicture_ = loadRequestedPicture;
    PictureAhead ahead_;
};

}  // namespace quillo
