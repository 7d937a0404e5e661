// The saver's sound: the first file at start, the next one at each tick that finds the player
// stopped, the completion notice, and the stop at shutdown. Sound fails silently: a file that
// cannot be opened switches sound off for the rest of the run and the pictures go on. Savers
// side by side play one sound list between them, through whichever holds the claim.
#include <exception>

#include "SaverWindow.h"

namespace quillo {

void SaverWindow::StartSound() {
    // Two tracks never play at once: without the claim this saver stays quiet for now.
    soundWaiting_ = ClaimSound && !ClaimSound();
    if (soundWaiting_) return;
    try {
        player_.open(NextSoundFile);
        player_.play();
    } catch (const std::exception&) {
        Sound = false;
    }
}

void SaverWindow::SoundStep() {
    // Any other mode leaves the player alone: a file still playing is never cut by a tick. A
    // saver waiting for the claim takes over here once the one that played has ended.
    if (Sound && (soundWaiting_ || player_.mode() == PlayerMode::Stopped)) StartSound();
}

void SaverWindow::onSoundFinished(const Event& notice) {
    // A notice can reach the queue after a tick has already started the next file (the file
    // ended just before the tick ran); stopping then would cut the new file at its start.
    if (notice.play != player_.lastPlay()) return;
    player_.stop();
}

void SaverWindow::StopSound() {
    if (player_.mode() == PlayerMode::Playing) player_.stop();
}

}  // namespace quillo
