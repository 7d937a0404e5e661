#pragma once
// The saver's playlist: the listed pictures and the order they come in (in list order, at random,
// or shuffled: every picture once in a round), as the shows take them tick by tick. It chooses
// the pictures; loading them is the saver's.
#include <string>
#include <utility>
#include <vector>

#include "Options.h"
#include "PictureDeck.h"
#include "SaverRandom.h"

namespace quillo {

class Show;

enum class PictureOrder { InOrder, AtRandom, Shuffled };

// "Seq" wins over "Shuffle": shuffling is one way of choosing at random.
PictureOrder pictureOrderOf(const Options& options);

class Playlist {
public:
    Playlist() = default;
    Playlist(std::vector<std::string> pictures, PictureOrder order);

    const std::vector<std::string>& pictures() const { return pictures_; }
    bool empty() const { return pictures_.empty(); }
    int size() const { return int(pictures_.size()); }
    const std::string& path(int index) const { return pictures_[std::size_t(index)]; }
    // In order: the entry last taken, from 1; 0 before the first.
    int sequencePos() const { return sequencePos_; }

    // A new tick, in which each of `shows` shows takes a picture.
    void beginTick(int shows);
    // The picture (an index into the list) that show takes in the running tick. At random, with
    // several shows, none that another show took in this tick while some are left.
    int pick(const Show& taker, SaverRandom& random);
    // The picture the pick after the next `later` ones takes when it is known before its tick
    // (in order, or the deck's card within its round); -1 when it is drawn at its tick. Changes
    // nothing.
    int nextKnown(int later = 0) const;

private:
    int randomPicture(const Show& taker, SaverRandom& random) const;

    std::vector<std::string> pictures_;
    PictureOrder order_ = PictureOrder::InOrder;
    PictureDeck deck_;
    int sequencePos_ = 0;
    // The pictures the shows took in the running tick, by show.
    std::vector<std::pair<const Show*, int>> tickTaken_;
};

}  // namespace quillo
