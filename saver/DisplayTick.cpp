// The display tick: the colour counters, the first tick's interval, the sound step and the work
// of the configured display mode on every show, in that order.
#include "SaverWindow.h"

#include "FrameTrace.h"

namespace quillo {

void SaverWindow::onTick() {
    for (int i = 0; i < showCount(); ++i)
        frametrace::tickDue(i, displayTimer_.firedDueMs() * 1'000'000u);
    playlist_.beginTick(showCount());
    for (const auto& show : shows_) show->countColour();
    if (firstTick_) {
        firstTick_ = false;
        // A negative delay is taken as unsigned, as the platform timer would.
        displayTimer_.setInterval(std::uint32_t(options_.time));
    }
    sound_.tick();
    // Each show's failure is reported on its own; the others still begin.
    for (const auto& show : shows_) {
        if (closed()) return;
        loop_.guarded([&] { show->beginTick(); });
    }
    if (closed()) return;
    decodeNextAhead();
    // No tick starts inside an animation of a mode that pauses the timer: the next comes Time
    // after the last frame.
    if (nextFrameDue() && displayModeRow(options_.picdis).pausesTimer) {
        displayTimer_.setEnabled(false);
        timerPausedForFrames_ = true;
    }
}

}  // namespace quillo
