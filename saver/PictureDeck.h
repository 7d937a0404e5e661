#pragma once
// The shuffled order of the pictures: every listed picture once in a round, in an order drawn
// from the saver's clock-seeded generator, before any picture comes again. A new round is drawn
// when the last one runs out, and it never opens with a picture the current tick has already
// dealt, nor with the last picture of the round before.
#include <vector>

#include "SaverRandom.h"

namespace quillo {

class PictureDeck {
public:
    PictureDeck() = default;
    // A deck of the pictures 0 to count - 1, none dealt yet: the first deal draws a round.
    explicit PictureDeck(int count);

    int size() const { return int(order_.size()); }

    // Deals `count` pictures (indices into the list) for one tick, a round's order re-drawn each
    // time it runs out. Within the tick no picture comes twice while the deck holds enough. An
    // empty deck deals nothing.
    std::vector<int> dealTick(SaverRandom& random, int count);
    // The next picture of a tick that has dealt `dealtThisTick` already (on other screens, or
    // for the same one): none of those again in this tick while the deck holds others; -1 from
    // an empty deck.
    int deal(SaverRandom& random, const std::vector<int>& dealtThisTick = {});

    // The picture dealt next when the round holds it; -1 when the next deal draws a new round.
    // Changes nothing.
    int peek() const { return next_ < size() ? order_[std::size_t(next_)] : -1; }

private:
    // deal, keeping the first `leading` places of a new round clear of what was dealt.
    int dealOne(SaverRandom& random, const std::vector<int>& dealtThisTick, int leading);
    // Draws the next round; none of `avoid` within its first `leading` places where the deck
    // holds other pictures to put there.
    void shuffle(SaverRandom& random, const std::vector<int>& avoid, int leading);

    std::vector<int> order_;
    int next_ = 0;   // the place in order_ dealt next; order_.size(): the round is over
    int last_ = -1;  // the picture dealt last, -1 before the first
};

}  // namespace quillo
