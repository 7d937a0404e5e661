#include "SaverWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "Errors.h"
#include "FallbackPicture.h"
#include "Paths.h"
#include "ScopeExit.h"
#include "SettingsStore.h"

namespace quillo {

bool StopFlag = false;

namespace {

constexpr int kMoveTolerance = 55;
// How often a start that found the writers' lock busy tries again.
constexpr std::uint32_t kLockRetryMs = 50;

// With QUILLO_TRACE_END set, the saver says on standard error what ended it, so that a run that
// ended unasked can tell why.
void traceEnd(const Message& m, Point start) {
    static const bool on = std::getenv("QUILLO_TRACE_END") != nullptr;
    if (!on) return;
    const int x = int(std::uint32_t(m.lParam) & 0xFFFF),
              y = int(std::uint32_t(m.lParam) >> 16 & 0xFFFF);
    switch (m.message) {
        case msg::MouseMove:
            std::fprintf(stderr, "quillo: ends on a mouse move to (%d, %d) from (%d, %d)\n", x, y,
                         start.x, start.y);
            return;
        case msg::Terminate: {
            static const char* const by[] = {"an unknown request", "a signal", "a close request",
                                             "the loss of its host window"};
            std::fprintf(stderr, "quillo: ends on %s\n", by[m.wParam < 4 ? m.wParam : 0]);
            return;
        }
        default:
            std::fprintf(stderr, "quillo: ends on input message %u (%llu) at (%d, %d)\n",
                         unsigned(m.message), static_cast<unsigned long long>(m.wParam), x, y);
    }
}

}  // namespace

SaverWindow::SaverWindow(Host& host, EventLoop& loop, SystemServices& services, MediaPlayer* player)
    : host_(host),
      loop_(loop),
      services_(services),
      form_(host),
      random_(host),
      ownPlayer_(player ? nullptr : std::make_unique<NoMediaPlayer>()),
      lockRetry_(loop, kLockRetryMs),
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
    lockRetry_.OnTimer = [this] { WaitForSettingsLock(); };
    loop_.setForm(&form_);
    loop_.setDispatcher([this](const Message& m) { dispatch(m); });
}

SaverWindow::~SaverWindow() {
    loop_.setForm(nullptr);
}

void SaverWindow::FormCreate() {
    // The screen is covered, and input ends the saver, before anything that can wait or ask: a
    // box, the writers' lock, the sound device.
    Show();
    settings_ = SettingsStore(locateSettings(host_).file);
    services_.setScreenSaverRunning(true);
    FirstTick = true;
    Seq = true;
    Sound = false;
    Picdis = 3;
    Color = 4;
    SequencePos = 0;
    ColorCount = 0;
    lockGiveUpAt_ = host_.nowMs() + std::uint64_t(std::max(LockWaitMs, 0));
    WaitForSettingsLock();
}

void SaverWindow::WaitForSettingsLock() {
    lockRetry_.setEnabled(false);
    // One attempt, never a wait: the loop calls again, handling input in between. A file that
    // cannot be written throws: the error goes over the black window, and no show starts.
    // A writer that holds on (a dialog stopped in the middle of a write) must not keep the show
    // away: after the wait, Status stays unwritten, as nothing reads it.
    if (!settings_.tryMarkRunning() && host_.nowMs() < lockGiveUpAt_) {
        lockRetry_.setEnabled(true);
        return;
    }
    StartShow();
}

void SaverWindow::StartShow() {
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
    StartCursorPos = host_.cursorPos();
    host_.showCursor(false);
    form_.setColor(clBlack);
    installMessageFilter();
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
    if (!endsSaver(m)) return;
    traceEnd(m, StartCursorPos);
    StopSaver();
}

void SaverWindow::StopSaver() {
    Timer1.setEnabled(false);
    lockRetry_.setEnabled(false);
    StopFlag = true;
    StopSound();
    if (display_) display_->release();
    services_.setScreenSaverRunning(false);
    if (!enterPhase(SaverPhase::Closed)) return;
    host_.closeWindow();
    loop_.quit();
}

void SaverWindow::dispatch(const Message& m) {
    // Idle managers end the saver with SIGTERM: end as input would.
    if (m.message == msg::Terminate) {
        traceEnd(m, StartCursorPos);
        StopSaver();
    }
    if (m.message == msg::MediaNotify) MediaPlayer1Notify(m);
}

}  // namespace quillo
