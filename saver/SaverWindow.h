#pragma once
// The saver window: start-up, the input test with its password check, and shutdown.
#include <memory>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "Host.h"
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

class SaverWindow {
public:
    SaverWindow(Host& host, EventLoop& loop, SystemServices& services);
    ~SaverWindow();

    // The start-up sequence; runs once, before the window is first shown.
    void FormCreate();
    // Shows the window once creation is over (whether or not it completed).
    void Show();
    // The message filter: sees every queued message before it is dispatched; never handles it.
    void deactivate(Message& msg, bool& handled);
    void StopSaver();
    void Timer1Timer();

    Form& form() { return form_; }
    bool closed() const { return closed_; }

    // Window state.
    Point StartCursorPos;
    bool ExitCheckActive = false;

    // State of the display, sound and playlist, with their start values.
    bool FirstTick = true;
    bool Seq = true;
    bool Sound = false;
    bool FadeFirst = true;
    int Picdis = 3;
    int Color = 4;
    int Time = 8000;
    int Width = -1;
    int Height = -1;
    int SequencePos = 0;
    int ColorCount = 0;
    int TileState = 1;
    std::vector<std::string> PictureList;
    std::vector<std::string> SoundList;
    std::string NextSoundFile;

private:
    void installMessageFilter();
    void LoadSaverSettings();
    void StartSound();
    bool endsSaver(const Message& msg) const;
    void ExitCheck();
    void dispatch(const Message& msg);

    Host& host_;
    EventLoop& loop_;
    SystemServices& services_;
    Form form_;

public:
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
    bool shown_ = false;
    bool closed_ = false;
};

}  // namespace quillo
