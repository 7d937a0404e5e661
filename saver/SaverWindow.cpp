#include "SaverWindow.h"

#include <algorithm>
#include <cstdlib>
#include <exception>

#include "FallbackPicture.h"
#include "IniFile.h"
#include "MediaSlots.h"
#include "Paths.h"
#include "ScopeExit.h"
#include "SettingsFile.h"

namespace quillo {

namespace {

constexpr int kMoveTolerance = 55;

}  // namespace

SaverWindow::SaverWindow(Host& host, EventLoop& loop, SystemServices& services, MediaPlayer* player,
                         int showCount)
    : host_(host),
      loop_(loop),
      services_(services),
      random_(host),
      ownPlayer_(player ? nullptr : std::make_unique<NoMediaPlayer>()),
      player_(player ? *player : *ownPlayer_),
      displayTimer_(loop, 1000),
      fallbackPicture_(Picture(fallbackPicture())) {
    for (int i = 0; i < std::max(showCount, 1); ++i) {
        shows_.push_back(std::make_unique<Show>(*this, host));
        loop_.addForm(&shows_.back()->form());
    }
    displayTimer_.OnTimer = [this] { onTick(); };
    loop_.setAnimation(this);
    loop_.setDispatcher([this](const Message& m) { dispatch(m); });
}

SaverWindow::~SaverWindow() {
    loop_.setAnimation(nullptr);
    for (const auto& show : shows_) loop_.removeForm(&show->form());
}

void SaverWindow::FormCreate() {
    // Whichever step fails, the window that appears must still end on input: a start-up that
    // stops early installs the message filter on its way out.
    ScopeExit filterOnFailure([this, pending = std::uncaught_exceptions()] {
        if (std::uncaught_exceptions() > pending) installMessageFilter();
    });
    InitSettingsPaths(host_);
    startCursorPos_ = host_.cursorPos();
    services_.setScreenSaverRunning(true);
    if (!fileExists(SettingsFile)) CreateDefaultSettings(nullptr);
    firstTick_ = true;
    Seq = true;
    checkingInput_ = false;
    Sound = false;
    host_.showCursor(false);
    Picdis = 3;
    Color = 4;
    SequencePos = 0;
    for (const auto& show : shows_) show->form().setColor(clBlack);
    installMessageFilter();
    LoadSaverSettings();
    if (Silent) Sound = false;
    if (Sound && !SoundList.empty()) {
        NextSoundFile = SoundList.front();
        StartSound();
    }
    if (!PictureList.empty()) {
        // A new mode starts from its first state (the fade's first tick, the top-left tile).
        for (const auto& show : shows_) show->setMode(makeDisplayMode(Picdis, *show));
        displayTimer_.setEnabled(true);
    } else {
        for (const auto& show : shows_) {
            show->infoLabel().setVisible(true);
            show->form().setColor(clWhite);
        }
    }
}

void SaverWindow::installMessageFilter() {
    loop_.setMessageFilter([this](Message& m, bool& handled) { onInput(m, handled); });
}

bool SaverWindow::enterPhase(SaverPhase next) {
    const bool allowed = (phase_ == SaverPhase::Starting && next != SaverPhase::Starting) ||
                         (phase_ == SaverPhase::Showing && next == SaverPhase::Closed);
    if (allowed) phase_ = next;
    return allowed;
}

void SaverWindow::showWindow() {
    if (!enterPhase(SaverPhase::Showing)) return;
    host_.openWindow(kSaverTitle, show().form().framebuffer());
    for (const auto& show : shows_) show->form().invalidate();
}

bool SaverWindow::endsSaver(const Message& m) const {
    switch (m.message) {
        case msg::MouseMove: {
            const int x = int(std::uint32_t(m.lParam) & 0xFFFF);
            const int y = int(std::uint32_t(m.lParam) >> 16 & 0xFFFF);
            return std::abs(x - startCursorPos_.x) > kMoveTolerance ||
                   std::abs(y - startCursorPos_.y) > kMoveTolerance;
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

void SaverWindow::onInput(Message& m, bool& /*handled*/) {
    if (checkingInput_) return;
    checkingInput_ = endsSaver(m);
    // Cleared however the check ends, so a failed check never leaves the saver deaf to input.
    ScopeExit clear([this] { checkingInput_ = false; });
    if (!checkingInput_) return;
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
        if (!lib->hasExport("VerifyScreenSavePwd") || lib->VerifyScreenSavePwd(&show().form()) != 0)
            StopSaver();
    } else {
        StopSaver();
    }
    host_.showCursor(false);
}

void SaverWindow::StopSaver() {
    // Nothing is drawn after this: no tick, no frame.
    displayTimer_.setEnabled(false);
    for (const auto& show : shows_) show->release();
    StopSound();
    services_.setScreenSaverRunning(false);
    if (!enterPhase(SaverPhase::Closed)) return;
    host_.closeWindow();
    loop_.quit();
}

void SaverWindow::dispatch(const Message& m) {
    // Idle managers end the saver with SIGTERM: end as input would, without a password check.
    if (m.message == msg::Terminate) StopSaver();
    if (m.message == msg::MediaNotify) onSoundFinished(m);
}

std::optional<std::uint64_t> SaverWindow::nextFrameDue() const {
    std::optional<std::uint64_t> first;
    for (const auto& show : shows_)
        if (const auto due = show->nextFrameDue(); due && (!first || *due < *first)) first = due;
    return first;
}

void SaverWindow::advanceFrames(std::uint64_t nowNs) {
    // Every show whose frame is due draws it; one failing show does not stop the others.
    for (const auto& show : shows_) {
        if (closed()) return;
        const auto due = show->nextFrameDue();
        if (due && *due <= nowNs) loop_.guarded([&] { show->advance(nowNs); });
    }
    if (timerPausedForFrames_ && !closed() && !nextFrameDue()) {
        timerPausedForFrames_ = false;
        displayTimer_.setEnabled(true);
    }
}

bool SaverWindow::holdsInput() const {
    return std::any_of(shows_.begin(), shows_.end(),
                       [](const auto& show) { return show->holdsInput(); });
}

}  // namespace quillo
