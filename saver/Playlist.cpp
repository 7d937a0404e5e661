#include "Playlist.h"

namespace quillo {

PictureOrder pictureOrderOf(const Options& options) {
    if (options.seq) return PictureOrder::InOrder;
    return options.shuffle ? PictureOrder::Shuffled : PictureOrder::AtRandom;
}

Playlist::Playlist(std::vector<std::string> pictures, PictureOrder order)
    : pictures_(std::move(pictures)), order_(order), deck_(int(pictures_.size())) {}

void Playlist::beginTick(int shows) {
    tickTaken_.clear();
    deck_.beginTick(shows);
}

int Playlist::pick(const Show& taker, SaverRandom& random) {
    int p = 0;
    switch (order_) {
        case PictureOrder::InOrder:
            p = sequencePos_ < size() ? sequencePos_ : 0;
            sequencePos_ = p + 1;
            break;
        case PictureOrder::Shuffled:
            p = deck_.deal(random);
            break;
        case PictureOrder::AtRandom:
            p = randomPicture(taker, random);
            break;
    }
    tickTaken_.emplace_back(&taker, p);
    return p;
}

int Playlist::nextKnown(int later) const {
    if (pictures_.empty()) return -1;
    switch (order_) {
        case PictureOrder::InOrder:
            // The list starts again from its first picture after its last.
            return ((sequencePos_ < size() ? sequencePos_ : 0) + later) % size();
        case PictureOrder::Shuffled:
            return deck_.peek(later);
        case PictureOrder::AtRandom:
            break;
    }
    return -1;
}

int Playlist::randomPicture(const Show& taker, SaverRandom& random) const {
    const int count = size();
    std::vector<bool> taken(std::size_t(count), false);
    int left = count;
    for (const auto& [show, picture] : tickTaken_)
        if (show != &taker && !taken[std::size_t(picture)]) {
            taken[std::size_t(picture)] = true;
            --left;
        }
    // With fewer pictures than screens the pick is among all of them.
    if (left == 0) return random.FreshRandom(count);
    int n = random.FreshRandom(left);
    for (int p = 0;; ++p)
        if (!taken[std::size_t(p)] && n-- == 0) return p;
}

}  // namespace quillo
