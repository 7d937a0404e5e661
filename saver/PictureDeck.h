#pragma once
// The shuffled order of the pictures: every listed picture once in a round, in an order drawn
// from the saver's clock-seeded generator, before any picture comes again. A tick deals one
// picture per screen. No picture comes twice in one tick, and once the list holds at least twice
// as many pictures as there are screens, none of one tick comes back in the next, across the
// seam of two rounds too. The picture that closes a round is drawn first, from all those the
// rules leave free to close it (every one, with more than twice as many pictures as screens), so
// each is as likely to close it whatever the round before it did.
#include <vector>

#include "SaverRandom.h"

namespace quillo {

class PictureDeck {
public:
    PictureDeck() = default;
    // A deck of the pictures 0 to count - 1, none dealt yet: the first deal draws a round.
    explicit PictureDeck(int count);

    int size() const { return int(order_.size()); }

    // A new tick that deals a picture to each of `screens` screens.
    void beginTick(int screens);
    // The next picture of the running tick (an index into the list), a round drawn anew when
    // the last one has run out; -1 from an empty deck.
    int deal(SaverRandom& random);

    // The picture dealt after the next `later` ones when the round holds it; -1 when a new round
    // is drawn before it. Changes nothing.
    int peek(int later = 0) const {
        return next_ + later < size() ? order_[std::size_t(next_ + later)] : -1;
    }

private:
    // Draws the next round for the rest of the running tick and the tick after it.
    void shuffle(SaverRandom& random);

    std::vector<int> order_;
    int next_ = 0;  // the place in order_ dealt next; order_.size(): the round is over
    int screens_ = 1;
    std::vector<int> thisTick_, lastTick_;  // the pictures dealt in the running and last tick
};

}  // namespace quillo
