#pragma once
// The saver window: owner of the controls, start-up, the input test with its password check, and
// shutdown. The playlist (Playlist.cpp), the tick and colours (DisplayTick.cpp) and the display
// modes (one file each, behind DisplayMode) work on its controls.
#include <memory>
#include <string>
#include <vector>

#include "DisplayMode.h"
#include "EventLoop.h"
#include "Host.h"
#include "MediaPlayer.h"
#include "PictureDeck.h"
#include "SaverRandom.h"
#include "ScopeExit.h"
#include "SettingsStore.h"
#include "SystemServices.h"
#include "Window.h"

namespace quillo {

// Ends a running slide or roll-down at its next step; set by StopSaver.
extern bool StopFlag;

constexpr const char* kSaverTitle = "zadarovi";
constexpr const char* kSaverApplicationTitle = "Quillo Screensaver Creator";
constexpr const char* kLblinfoText =
    "You have not entered any pictures for display!  Go into screensaver \"settings\", and enter "
    "some pictures for viewing.";

// The window's life: Starting (created, the start-up sequence running, not yet on the screen),
// Showing, Closed. Starting goes to Showing or, when input ends the saver before it shows, to
// Closed; Showing goes to Closed; nothing leaves Closed.
enum class SaverPhase { Starting, Showing, Closed };

// What a display mode shows of the next picture, so that a large JPEG need not be decoded
// whole: its top-left part of `clip` (the fade), or its stretch to `sample` (a tile). Not
// under Fit, which shrinks the whole picture first.
struct PictureUse {
    Size clip{};
    Size sample{};
};

class SaverWindow {
public:
    // Without a player the saver has no audio service and runs silent.
    SaverWindow(Host& host, EventLoop& loop, SystemServices& services,
                MediaPlayer* player = nullptr);
    ~SaverWindow();

    // The start-up sequence; runs once. It covers the screen first (Show), then settles the
    // settings file, waiting for the writers' lock from the loop at most LockWaitMs, and starts
    // the show.
    void FormCreate();
    // Covers the screen with the black window, input ending the saver from then on; once.
    void Show();
    // The message filter: sees every queued message before it is dispatched; never handles it.
    void deactivate(Message& msg, bool& handled);
    void StopSaver();
    // The display tick.
    void Timer1Timer();
    // The tick's sound step: starts NextSoundFile when the player has stopped.
    void SoundStep();
    // The player's completion notice.
    void MediaPlayer1Notify(const Message& notice);

    // The playlist: loads the next picture into Image5 (the fallback picture when it cannot be
    // loaded) and picks the sound file that opens next.
    void NextPicture(PictureUse use = {});
    // Sets the background to one of the four colours by ColorCount.
    void CycleBackColor(quillo::Color first, quillo::Color second, quillo::Color third,
                        quillo::Color fourth);
    // CycleBackColor with the colours of the configured set.
    void CycleColors();
    // Image5's new picture into the control: the control's picture replaced, Image5 cleared.
    void TakeNewPicture(ImageControl& control);
    // ShortPause, then shows the control. Its picture is decoded first, so a picture whose data
    // fail is reported once, by the tick that chose it, and the control stays hidden.
    void ShowImage(ImageControl& control);
    // Places the picture at a random spot (see RandomPlacement in LayoutGeometry.h).
    Point RandomPlacement(int pictureWidth, int pictureHeight, bool fullSizeTakesQuarter = false);
    // Runs an animation with Timer1 off, so that no tick starts inside it, and switches the timer
    // on again however the work ends, a failure included (a failed animation must not freeze the
    // display), unless the window has closed meanwhile or resume() says no.
    template <class Work, class Resume>
    void PauseTimerDuring(Work work, Resume resume) {
        Timer1.setEnabled(false);
        ScopeExit restart([&] {
            if (!closed() && resume()) Timer1.setEnabled(true);
        });
        work();
    }
    template <class Work>
    void PauseTimerDuring(Work work) {
        PauseTimerDuring(work, [] { return true; });
    }

    Form& form() { return form_; }
    Host& host() { return host_; }
    EventLoop& loop() { return loop_; }
    SaverRandom& random() { return random_; }
    Size screen() const { return {form_.width(), form_.height()}; }
    SaverPhase phase() const { return phase_; }
    bool closed() const { return phase_ == SaverPhase::Closed; }

    // Set before FormCreate: no sound whatever the settings say (a settings program's preview).
    bool Silent = false;
    // How long the start waits for another writer's lock before it runs the show without writing
    // Status.
    int LockWaitMs = 1000;

    // Window state. ExitCheckActive is a flag of its own beside the phase: an input is checked
    // while the window starts (a box of the start-up is up) as well as while it shows.
    Point StartCursorPos;
    bool ExitCheckActive = false;

    // State of the display, sound and playlist, with their start values.
    bool FirstTick = true;
    bool Seq = true;
    bool Sound = false;
    int Picdis = 3;
    int Color = 4;
    int Time = 8000;
    int Width = -1;
    int Height = -1;
    // Shrink pictures larger than the screen to fit it (key Fit; missing = off).
    bool Fit = false;
    // At random, every picture once before any repeats (key Shuffle; missing = off), dealt from
    // Deck, which is made with the list at start and lives for the run.
    bool Shuffle = false;
    PictureDeck Deck;
    int SequencePos = 0;
    int ColorCount = 0;
    std::vector<std::string> PictureList;
    std::vector<std::string> SoundList;
    std::string NextSoundFile;

private:
    void installMessageFilter();
    void WaitForSettingsLock();
    void StartShow();
    void LoadSaverSettings();
    void FitPicture();
    void StartSound();
    void StopSound();
    bool endsSaver(const Message& msg) const;
    void ExitCheck();
    void dispatch(const Message& msg);
    // Moves to the next phase; false (and no change) when the life above does not allow it.
    bool enterPhase(SaverPhase next);

    Host& host_;
    EventLoop& loop_;
    SystemServices& services_;
    Form form_;
    SaverRandom random_;
    std::unique_ptr<MediaPlayer> ownPlayer_;

    Timer lockRetry_;
    std::uint64_t lockGiveUpAt_ = 0;

public:
    MediaPlayer& MediaPlayer1;
    // Controls, bottom of the stacking order first.
    Timer Timer1;
    Label& lblinfo;
    ImageControl& imagjunk;
    ImageControl& Image1;
    ImageControl& Image3;
    ImageControl& Image5;
    ImageControl& Image4;
    ImageControl& Image2;

private:
    std::unique_ptr<DisplayMode> display_;
    // The settings file, located at the start.
    SettingsStore settings_;
    SaverPhase phase_ = SaverPhase::Starting;
};

}  // namespace quillo
