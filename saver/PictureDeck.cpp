#include "PictureDeck.h"

#include <algorithm>
#include <numeric>
#include <utility>

namespace quillo {

PictureDeck::PictureDeck(int count) : order_(std::size_t(std::max(count, 0))) {
    std::iota(order_.begin(), order_.end(), 0);
    next_ = size();
}

std::vector<int> PictureDeck::dealTick(SaverRandom& random, int count) {
    std::vector<int> dealt;
    if (order_.empty()) return dealt;
    for (int i = 0; i < count; ++i) dealt.push_back(dealOne(random, dealt, count - i));
    return dealt;
}

int PictureDeck::deal(SaverRandom& random, const std::vector<int>& dealtThisTick) {
    // How many more this tick deals is not known here: a new round puts what the tick dealt
    // after every other picture.
    return order_.empty() ? -1 : dealOne(random, dealtThisTick, dealtThisTick.empty() ? 1 : size());
}

int PictureDeck::dealOne(SaverRandom& random, const std::vector<int>& dealtThisTick, int leading) {
    if (next_ >= size()) {
        // What this tick has shown, and the last picture of the round that ends.
        std::vector<int> avoid = dealtThisTick;
        if (last_ >= 0) avoid.push_back(last_);
        shuffle(random, avoid, leading);
    }
    last_ = order_[std::size_t(next_++)];
    return last_;
}

void PictureDeck::shuffle(SaverRandom& random, const std::vector<int>& avoid, int leading) {
    // Fisher-Yates from one re-seeding, as each pick of the random order re-seeds once.
    random.Randomize();
    for (int i = size() - 1; i > 0; --i)
        std::swap(order_[std::size_t(i)], order_[std::size_t(random.Random(i + 1))]);
    next_ = 0;
    // The seam first: with two pictures or more, a round never opens with the one just shown.
    if (size() > 1 && order_[0] == last_) std::swap(order_[0], order_[1]);
    const auto avoided = [&](int picture) {
        return std::find(avoid.begin(), avoid.end(), picture) != avoid.end();
    };
    // Then each avoided picture among the leading places changes place with the nearest one after
    // it that is not avoided (never the last one shown); where none is left they stay as drawn.
    for (int i = 0; i < std::min(leading, size()); ++i) {
        if (!avoided(order_[std::size_t(i)])) continue;
        const auto other = std::find_if(order_.begin() + i + 1, order_.end(),
                                        [&](int picture) { return !avoided(picture); });
        if (other == order_.end()) break;
        std::swap(order_[std::size_t(i)], *other);
    }
}

}  // namespace quillo
