#include "SaverWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "FallbackPicture.h"
#include "Paths.h"
#include "ScreenLayout.h"
#include "SettingsStore.h"

namespace quillo {

namespace {

constexpr int kMoveTolerance = 55;
// How often a start that found the writers' lock busy tries again.
constexpr std::uint32_t kLockRetryMs = 50;

// With QUILLO_TRACE_END set, the saver says on standard error what ended it, so that a run that
// ended unasked can tell why.
void traceEnd(const Event& e, Point start) {
    static const bool on = std::getenv("QUILLO_TRACE_END") != nullptr;
    if (!on) return;
    switch (e.kind) {
        case EventKind::Move:
            std::fprintf(stderr, "quillo: ends on a mouse move to (%d, %d) from (%d, %d)\n",
                         e.position.x, e.position.y, start.x, start.y);
            return;
        case EventKind::ButtonDown:
            std::fprintf(stderr, "quillo: ends on mouse button %d at (%d, %d)\n", int(e.button),
                         e.position.x, e.position.y);
            return;
        case EventKind::Terminate: {
            static const char* const by[] = {"an unknown request", "a signal", "a close request",
                                             "the loss of its host window"};
            std::fprintf(stderr, "quillo: ends on %s\n", by[int(e.by)]);
            return;
        }
        default:
            std::fprintf(stderr, "quillo: ends on key %u %s\n", unsigned(e.key),
                         e.kind == EventKind::KeyDown ? "going down" : "going up");
    }
}

// The mode and colour set of a saver that has not read its settings yet.
Options startOptions() {
    Options options;
    options.seq = true;
    options.picdis = DisplayModeSetting::PictureInPicture;
    options.color = ColorSetSetting::AlwaysBlack;
    options.time = 8000;
    options.width = -1;
    options.height = -1;
    return options;
}

constexpr const char* kMissingPicture1 =
    "Please enter your own photos or sound files. You can easily add your own photos by "
    "selecting the settings button, then you can remove any listed pictures and add your own. "
    "File ";
constexpr const char* kMissingPicture2 =
    " does not exist in the location listed, so remove the listing or ";
constexpr const char* kMissingPicture3 = "re-add it.";

// The primary screen, or the first when none says it is.
ScreenInfo primaryOf(const std::vector<ScreenInfo>& screens) {
    const auto primary =
        std::find_if(screens.begin(), screens.end(), [](const ScreenInfo& s) { return s.primary; });
    return primary != screens.end() ? *primary : screens.empty() ? ScreenInfo{} : screens.front();
}

}  // namespace

SaverWindow::SaverWindow(Host& host, EventLoop& loop, SystemServices& services, MediaPlayer* player,
                         int showCount)
    : host_(host),
      loop_(loop),
      services_(services),
      random_(host),
      ownPlayer_(player ? nullptr : std::make_unique<NoMediaPlayer>()),
      sound_(player ? *player : *ownPlayer_),
      options_(startOptions()),
      displayTimer_(loop, 1000),
      fallbackPicture_(Picture(fallbackPicture())),
      lockRetry_(loop, kLockRetryMs) {
    const std::vector<ScreenInfo> screens = host.screens();
    const ScreenInfo primary = showingScreen(screens, primaryOf(screens));
    for (int i = 0; i < std::max(showCount, 1); ++i) addShow(primary);
    displayTimer_.OnTimer = [this] { onTick(); };
    lockRetry_.OnTimer = [this] { waitForSettingsLock(); };
    loop_.setAnimation(this);
    loop_.setDispatcher([this](const Event& m) { dispatch(m); });
}

SaverWindow::~SaverWindow() {
    loop_.setAnimation(nullptr);
    for (const auto& show : shows_) loop_.removeForm(&show->form());
}

void SaverWindow::start(SaverStart parameters) {
    parameters_ = std::move(parameters);
    // The screen is covered, and input ends the saver, before anything that can wait or ask: a
    // box, the writers' lock, the sound device.
    showWindow();
    settings_ = SettingsStore(locateSettings(host_).file);
    services_.setScreenSaverRunning(true);
    firstTick_ = true;
    lockGiveUpAt_ = host_.nowMs() + std::uint64_t(std::max(parameters_.lockWaitMs, 0));
    waitForSettingsLock();
}

void SaverWindow::waitForSettingsLock() {
    lockRetry_.setEnabled(false);
    // Input under a box of the start (the folder warning) may have ended the saver already.
    if (closed()) return;
    // One attempt, never a wait: the loop calls again, handling input in between. A file that
    // cannot be written throws: the error goes over the black window, and no show starts.
    // A writer that holds on (a dialog stopped in the middle of a write) must not keep the show
    // away: after the wait, Status stays unwritten, as nothing reads it.
    if (!settings_.tryMarkRunning() && host_.nowMs() < lockGiveUpAt_) {
        lockRetry_.setEnabled(true);
        return;
    }
    startShow();
}

SaverLists SaverWindow::readSettings() {
    SettingsStore::SaverSettings read = settings_.readSaverSettings(fileExists);
    options_ = read.options;
    playlist_ = Playlist(read.lists.pictures, pictureOrderOf(options_));
    if (read.lists.missingPicture)
        setInfoText(kMissingPicture1 + *read.lists.missingPicture + kMissingPicture2 +
                    kMissingPicture3);
    return std::move(read.lists);
}

void SaverWindow::setInfoText(const std::string& text) {
    for (const auto& show : shows_) show->infoLabel().setText(text);
}

void SaverWindow::startShow() {
    SaverLists lists = readSettings();
    started_ = true;
    if (options_.allScreens) followScreens();
    // A missing sound file has switched sound off; a silent run has it off whatever was read.
    sound_.start(std::move(lists.sounds), lists.sound && !parameters_.silent,
                 parameters_.claimSound);
    if (!playlist_.empty()) {
        // A new mode starts from its first state (the fade's first tick, the top-left tile).
        for (const auto& show : shows_) show->setMode(makeDisplayMode(options_.picdis, *show));
        displayTimer_.setEnabled(true);
        decodeNextAhead();  // the first picture, during the second before the first tick
    } else {
        showNoPictures();
    }
}

void SaverWindow::installMessageFilter() {
    loop_.setMessageFilter([this](Event& m, bool& handled) { onInput(m, handled); });
}

bool SaverWindow::enterPhase(SaverPhase next) {
    const bool allowed = (phase_ == SaverPhase::Starting && next != SaverPhase::Starting) ||
                         (phase_ == SaverPhase::Showing && next == SaverPhase::Closed);
    if (allowed) phase_ = next;
    return allowed;
}

void SaverWindow::showWindow() {
    if (!enterPhase(SaverPhase::Showing)) return;
    startCursorPos_ = host_.cursorPos();
    host_.showCursor(false);
    for (const auto& show : shows_) show->form().setColor(clBlack);
    installMessageFilter();
    for (const auto& show : shows_) show->openWindow(kSaverTitle);
}

Show& SaverWindow::addShow(const ScreenInfo& screen) {
    shows_.push_back(std::make_unique<Show>(*this, host_, screen));
    loop_.addForm(&shows_.back()->form());
    return *shows_.back();
}

void SaverWindow::followScreens() {
    const std::vector<ScreenInfo> all = host_.screens();
    if (closed() || all.empty()) return;
    // A screen inside another (mirrored ones too) is shown by that one's show; the shows take
    // their pictures in screen order.
    const std::vector<ScreenInfo> screens = showScreens(all);
    if (!options_.allScreens) {
        // The show stays on the primary screen, wherever that is now, or on the screen that
        // shows it; the host covers the rest.
        for (const auto& show : shows_) show->moveTo(showingScreen(all, primaryOf(all)));
    } else {
        const auto screenOf = [&](const Show& show) {
            return std::find_if(screens.begin(), screens.end(),
                                [&](const ScreenInfo& s) { return s.id == show.screenInfo().id; });
        };
        // A screen that went, or that another now shows, takes its show with it; one that came
        // gets a show of its own, in the others' colour rhythm, black until its first tick.
        std::erase_if(shows_, [&](const std::unique_ptr<Show>& show) {
            if (screenOf(*show) != screens.end()) return false;
            show->close();
            loop_.removeForm(&show->form());
            return true;
        });
        const int colourCount = shows_.empty() ? 0 : shows_.front()->colourCount();
        for (const ScreenInfo& screen : screens) {
            if (std::any_of(shows_.begin(), shows_.end(),
                            [&](const auto& show) { return show->screenInfo().id == screen.id; }))
                continue;
            Show& added = addShow(screen);
            added.setColourCount(colourCount);
            if (phase_ == SaverPhase::Showing) added.openWindow(kSaverTitle);
            if (started_ && !playlist_.empty())
                added.setMode(makeDisplayMode(options_.picdis, added));
        }
        for (const auto& show : shows_) show->moveTo(*screenOf(*show));
        std::stable_sort(shows_.begin(), shows_.end(),
                         [&](const auto& a, const auto& b) { return screenOf(*a) < screenOf(*b); });
    }
    if (started_ && playlist_.empty()) showNoPictures();
    // A show that went in the middle of its frames must not keep the next tick away.
    if (timerPausedForFrames_ && !nextFrameDue()) {
        timerPausedForFrames_ = false;
        displayTimer_.setEnabled(true);
    }
}

void SaverWindow::showNoPictures() {
    // The text on the primary screen (or the one that shows it), every other screen white.
    const std::vector<ScreenInfo> screens = host_.screens();
    const int primary = showingScreen(screens, primaryOf(screens)).id;
    for (const auto& show : shows_) {
        show->infoLabel().setVisible(show->screenInfo().id == primary);
        show->form().setColor(clWhite);
    }
}

bool SaverWindow::endsSaver(const Event& e) const {
    switch (e.kind) {
        case EventKind::Move:
            // Desktop-wide positions are 32-bit: a screen left of or above the primary counts
            // its true distance.
            return std::abs(std::int64_t(e.position.x) - startCursorPos_.x) > kMoveTolerance ||
                   std::abs(std::int64_t(e.position.y) - startCursorPos_.y) > kMoveTolerance;
        case EventKind::KeyDown:
        case EventKind::KeyUp:
            return true;
        case EventKind::ButtonDown:
            // The extra (side) buttons end nothing.
            return e.button == MouseButton::Left || e.button == MouseButton::Right ||
                   e.button == MouseButton::Middle;
        default:
            return false;
    }
}

void SaverWindow::onInput(Event& m, bool& /*handled*/) {
    if (!endsSaver(m)) return;
    traceEnd(m, startCursorPos_);
    stop();
}

void SaverWindow::stop() {
    // Nothing is drawn after this: no tick, no frame.
    displayTimer_.setEnabled(false);
    lockRetry_.setEnabled(false);
    for (const auto& show : shows_) show->release();
    ahead_.cancel();  // a decode under way gives up within a row
    sound_.stop();
    services_.setScreenSaverRunning(false);
    if (!enterPhase(SaverPhase::Closed)) return;
    host_.closeWindows();
    // The process never ends with the worker inside a decoder.
    ahead_.end();
    loop_.quit();
}

void SaverWindow::dispatch(const Event& m) {
    // Idle managers end the saver with SIGTERM: end as input would.
    if (m.kind == EventKind::Terminate) {
        traceEnd(m, startCursorPos_);
        stop();
    }
    if (m.kind == EventKind::SoundFinished) sound_.onFinished(m);
    if (m.kind == EventKind::ScreensChanged) followScreens();
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

bool SaverWindow::holdsNotices() const {
    return std::any_of(shows_.begin(), shows_.end(),
                       [](const auto& show) { return show->holdsNotices(); });
}

}  // namespace quillo
