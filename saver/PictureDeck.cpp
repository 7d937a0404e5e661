#include "PictureDeck.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quillo {

namespace {

bool holds(const std::vector<int>& pictures, int picture) {
    return std::find(pictures.begin(), pictures.end(), picture) != pictures.end();
}

}  // namespace

PictureDeck::PictureDeck(int count) : order_(std::size_t(std::max(count, 0))) {
    std::iota(order_.begin(), order_.end(), 0);
    next_ = size();
}

void PictureDeck::beginTick(int screens) {
    screens_ = std::max(screens, 1);
    lastTick_ = std::move(thisTick_);
    thisTick_.clear();
}

int PictureDeck::deal(SaverRandom& random) {
    if (order_.empty()) return -1;
    if (next_ >= size()) shuffle(random);
    // A tick that deals more than its screens (a fade's first takes two each) meets a picture
    // of its own again: a later one of the round takes its place while there is one.
    const auto place = order_.begin() + next_;
    if (holds(thisTick_, *place)) {
        const auto other = std::find_if(place + 1, order_.end(),
                                        [&](int picture) { return !holds(thisTick_, picture); });
        if (other != order_.end()) std::iter_swap(place, other);
    }
    thisTick_.push_back(order_[std::size_t(next_++)]);
    return thisTick_.back();
}

void PictureDeck::shuffle(SaverRandom& random) {
    const int count = size();
    // The round's first `rest` places finish this tick: none of this tick's pictures there, nor,
    // with pictures enough, of the last tick's. The next `screens_` places make the next tick:
    // with pictures enough, none of this tick's there either.
    const int rest = std::max(screens_ - int(thisTick_.size()), 1);
    const bool enough = count >= 2 * screens_;
    bool apartFromLast = enough, apartFromNext = enough;
    const auto banned = [&](int place, int picture) {
        if (place < rest)
            return holds(thisTick_, picture) || (apartFromLast && holds(lastTick_, picture));
        return apartFromNext && place < rest + screens_ && holds(thisTick_, picture);
    };
    // Whether the places before the last can all be filled once `closer` takes the last. The
    // bans only narrow from place to place, so counting each band's free pictures is enough.
    const int bands[2] = {rest, rest + screens_};
    int free[2] = {0, 0};  // the pictures each band's last place allows
    const auto fits = [&](int closer) {
        if (banned(count - 1, closer)) return false;
        for (int band = 0; band < 2; ++band)
            if (free[band] - !banned(bands[band] - 1, closer) < std::min(bands[band], count - 1))
                return false;
        return true;
    };
    std::vector<int> closers;
    const auto findClosers = [&] {
        for (int band = 0; band < 2; ++band) {
            free[band] = 0;
            for (int picture = 0; picture < count; ++picture)
                free[band] += !banned(bands[band] - 1, picture);
        }
        for (int picture = 0; picture < count; ++picture)
            if (fits(picture)) closers.push_back(picture);
    };
    findClosers();
    // A last tick that dealt more than its screens (a fade's first takes two each) may leave too
    // few pictures to keep this one apart from it: the next tick is still kept apart from this.
    if (closers.empty() && apartFromLast) {
        apartFromLast = false;
        findClosers();
    }
    // Fewer pictures than screens: every picture may close the round.
    if (closers.empty()) {
        closers.resize(std::size_t(count));
        std::iota(closers.begin(), closers.end(), 0);
    }

    random.Randomize();  // one re-seeding for the round
    const int closer = closers[std::size_t(random.Random(int(closers.size())))];
    // The other places in turn, each drawn from the pictures left that it allows (from all the
    // pictures left where it allows none).
    std::vector<int> left;
    for (int picture = 0; picture < count; ++picture)
        if (picture != closer) left.push_back(picture);
    std::vector<int> allowed;
    for (int place = 0; place < count - 1; ++place) {
        allowed.clear();
        if (place < bands[1])  // past the bands every picture left is allowed
            for (const int picture : left)
                if (!banned(place, picture)) allowed.push_back(picture);
        const std::vector<int>& from = allowed.empty() ? left : allowed;
        const int picture = from[std::size_t(random.Random(int(from.size())))];
        order_[std::size_t(place)] = picture;
        left.erase(std::find(left.begin(), left.end(), picture));
    }
    order_[std::size_t(count - 1)] = closer;
    next_ = 0;
}

}  // namespace quillo
