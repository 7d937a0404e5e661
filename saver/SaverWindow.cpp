#include "SaverWindow.h"

#include <cstdlib>
#include <exception>

#include "FallbackPicture.h"
#include "Paths.h"
#include "ScopeExit.h"
#include "SettingsStore.h"

namespace quillo {

bool StopFlag = false;

namespace {

constexpr int kMoveTolerance = 55;

}  // namespace

SaverWindow::SaverWindow(Host& host, EventLoop& loop, SystemServices& services, MediaPlayer* player)
    : host_(host),
      loop_(loop),
      services_(services),
      form_(host),
      random_(host),
      ownPlayer_(player ? nullptr : std::make_unique<NoMediaPlayer>()),
      MediaPlayer1(player ? *player : *ownPlayer_),
      Timer1(loop, 1000),
      lblinfo(form_.addLabel(Rect::fromSize(60, 223, 469, 106))),
      imagjunk(form_.addImage(Rect::fromSize(579, 242, 30, 31))),
      Image1(form_.addImage(Rect::fromSize(504, 40, 105, 105))),
      Image3(form_.addImage(Rect::fromSize(504, 131, 105, 105))),
      Image5(form_.addImage(Rect::fromSize(504, 200, 105, 105))),
      Image4(form_.addImage(Rect::fromSize(368, 131, 105, 105))),
      Image2(form_.addImage(Rect::fromSize(192, 128, 105, 105))) {
    lblinfo.setText(kLblinfoText);
    lblinfo.font = Font{"MS Sans Serif", 16, true};
    lblinfo.color = clBlack;
    imagjunk.setPicture(Picture(fallbackPicture()));
    imagjunk.setStretch(true);
    Timer1.OnTimer = [this] { Timer1Timer(); };
    loop_.setForm(&form_);
    loop_.setDispatcher([this](const Message& m) { dispatch(m); });
}

SaverWindow::~SaverWindow() {
    loop_.setForm(nullptr);
}

void SaverWindow::FormCreate() {
    // Whichever step fails, the window that appears must still end on input: a start-up that
    // stops early installs the message filter on its way out.
    ScopeExit filterOnFailure([this, pending = std::uncaught_exceptions()] {
        if (std::uncaught_exceptions() > pending) installMessageFilter();
    });
    settings_ = SettingsStore(locateSettings(host_).file);
    StartCursorPos = host_.cursorPos();
    services_.setScreenSaverRunning(true);
    if (!settings_.exists()) settings_.createNewFile();
    FirstTick = true;
    Seq = true;
    ExitCheckActive = false;
    Sound = false;
    host_.showCursor(false);
    Picdis = 3;
    Color = 4;
    SequencePos = 0;
    ColorCount = 0;
    form_.setColor(clBlack);
    installMessageFilter();
    LoadSaverSettings();
    if (Silent) Sound = false;
    if (Sound && !SoundList.empty()) {
        NextSoundFile = SoundList.front();
        StartSound();
    }
    if (!PictureList.empty()) {
        // A new mode starts from its first state (the fade's first tick, the top-left tile).
        display_ = makeDisplayMode(Picdis, *this);
        Timer1.setEnabled(true);
    } else {
        lblinfo.setVisible(true);
        form_.setColor(clWhite);
    }
}

void SaverWindow::installMessageFilter() {
    loop_.setMessageFilter([this](Message& m, bool& handled) { deactivate(m, handled); });
}

bool SaverWindow::enterPhase(SaverPhase next) {
    const bool allowed = (phase_ == SaverPhase::Starting && next != SaverPhase::Starting) ||
                         (phase_ == SaverPhase::Showing && next == SaverPhase::Closed);
    if (allowed) phase_ = next;
    return allowed;
}

void SaverWindow::Show() {
    if (!enterPhase(SaverPhase::Showing)) return;
    host_.openWindow(kSaverTitle, form_.framebuffer());
    form_.invalidate();
}

bool SaverWindow::endsSaver(const Message& m) const {
    switch (m.message) {
        case msg::MouseMove: {
            const int x = int(std::uint32_t(m.lParam) & 0xFFFF);
            const int y = int(std::uint32_t(m.lParam) >> 16 & 0xFFFF);
            return std::abs(x - StartCursorPos.x) > kMoveTolerance ||
                   std::abs(y - StartCursorPos.y) > kMoveTolerance;
        }
        case msg::KeyDown:
        case msg::KeyUp:
        case msg::SysKeyDown:
        case msg::SysKeyUp:
        case msg::LButtonDown:
        case msg::RButtonDown:
        case msg::MButtonDown:
            return true;
        default:
            return false;
    }
}

void SaverWindow::deactivate(Message& m, bool& /*handled*/) {
    if (ExitCheckActive) return;
    ExitCheckActive = endsSaver(m);
    // Cleared however the check ends, so a failed check never leaves the saver deaf to input.
    ScopeExit clear([this] { ExitCheckActive = false; });
    if (!ExitCheckActive) return;
    if (services_.IsNTPlatform())
        StopSaver();
    else
        ExitCheck();
}

void SaverWindow::ExitCheck() {
    std::unique_ptr<RegistryKey> key = services_.openCurrentUserKey("Control Panel\\desktop");
    if (!key) {
        StopSaver();
        return;
    }
    // A value that is not a 32-bit integer cannot ask for a password: treat it as none.
    const std::optional<std::int32_t> usePassword = key->hasValue("ScreenSaveUsePassword")
                                                        ? key->readInteger("ScreenSaveUsePassword")
                                                        : std::nullopt;
    if (!usePassword || *usePassword == 0) {
        StopSaver();
        return;
    }
    host_.showCursor(true);
    std::string path = services_.systemDirectory();
    if (!path.empty() && path.back() != '/') path += '/';
    path += "PASSWORD.CPL";
    if (std::unique_ptr<PasswordLibrary> lib = services_.loadLibrary(path)) {
        // A library without the export cannot check a password; the saver must stay closable.
        if (!lib->hasExport("VerifyScreenSavePwd") || lib->VerifyScreenSavePwd(&form_) != 0)
            StopSaver();
    } else {
        StopSaver();
    }
    host_.showCursor(false);
}

void SaverWindow::StopSaver() {
    Timer1.setEnabled(false);
    StopFlag = true;
    StopSound();
    if (display_) display_->release();
    services_.setScreenSaverRunning(false);
    if (!enterPhase(SaverPhase::Closed)) return;
    host_.closeWindow();
    loop_.quit();
}

void SaverWindow::dispatch(const Message& m) {
    // Idle managers end the saver with SIGTERM: end as input would, without a password check.
    if (m.message == msg::Terminate) StopSaver();
    if (m.message == msg::MediaNotify) MediaPlayer1Notify(m);
}

}  // namespace quillo
