#include "SoundPlayback.h"

#include <exception>

namespace quillo {

void SoundPlayback::start(std::vector<std::string> files, bool on, std::function<bool()> claim) {
    files_ = std::move(files);
    on_ = on;
    claim_ = std::move(claim);
    if (on_ && !files_.empty()) {
        next_ = files_.front();
        play();
    }
}

void SoundPlayback::pickNext(SaverRandom& random) {
    if (on_ && !files_.empty()) next_ = files_[std::size_t(random.FreshRandom(int(files_.size())))];
}

void SoundPlayback::play() {
    // Two tracks never play at once: without the claim this saver stays quiet for now.
    waiting_ = claim_ && !claim_();
    if (waiting_) return;
    try {
        player_.open(next_);
        player_.play();
    } catch (const std::exception&) {
        on_ = false;
    }
}

void SoundPlayback::tick() {
    // Any other mode leaves the player alone: a file still playing is never cut by a tick. A
    // saver waiting for the claim takes over here once the one that played has ended.
    if (on_ && (waiting_ || player_.mode() == PlayerMode::Stopped)) play();
}

void SoundPlayback::onFinished(const Event& notice) {
    // A notice can reach the queue after a tick has already started the next file (the file
    // ended just before the tick ran); stopping then would cut the new file at its start.
    if (notice.play != player_.lastPlay()) return;
    player_.stop();
}

void SoundPlayback::stop() {
    if (player_.mode() == PlayerMode::Playing) player_.stop();
}

}  // namespace quillo
