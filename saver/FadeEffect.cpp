// Mode 11: every tick cross-fades, at a random place, from the picture the previous fade ended
// on to the next picture, in 101 frames at least 40 ms apart. The two pictures live from the
// first fade tick to the shutdown. Input ends the saver between any two frames; only the sound's
// notice waits until the last frame is drawn (the mode's row holds notices), so a file's end
// never starts the next one mid-fade.
//
// Only what can reach the screen is kept and blended: a picture is placed at or right of the
// left edge and at or below the top, so no more than its top-left screen-sized part is ever
// shown, and of the common area only the part on the screen at the fade's placement is mixed,
// straight onto the window.
#include <algorithm>

#include "Blend.h"
#include "Show.h"

namespace quillo {

namespace {

constexpr int kLastFrame = 100;
constexpr std::uint64_t kFramePauseNs = 40'000'000;

// A picture the fade shows: the top-left part of it that can reach the screen, and the natural
// size of the picture it was cut from, by which it is placed.
struct FadePicture {
    Picture kept;
    Size natural;
};

class FadeEffect : public DisplayMode {
public:
    explicit FadeEffect(Show& show) : show_(show) {}

    FrameDue begin(std::uint64_t) override {
        // The new colour, painted at once (the mode draws on the surface), clears the screen
        // first, so the fade is drawn on it.
        show_.changeColour();
        // The first fade tick takes two pictures.
        if (firstTick_) {
            firstTick_ = false;
            takeNextPicture();
        }
        // The picture the previous fade ended on becomes the old one; the new one is refilled.
        std::swap(old_, new_);
        takeNextPicture();
        // A picture as large as the screen takes the quarter branch too. The placement goes by
        // the picture's own size, not by the part of it that is kept.
        at_ = show_.randomPlacement(old_.natural.width, old_.natural.height, true);
        frame_ = 0;
        // The pause before frame 0 too, counted from when the pictures are ready.
        due_ = show_.host().nowNs() + kFramePauseNs;
        return due_;
    }

    // Frame 0 is exactly the old picture, frame 100 exactly the new one. Each frame is due 40 ms
    // after the previous one was due, or after it was drawn when it came late: putting a frame on
    // the screen counts against the pause, so a slow present on a large screen does not stretch
    // the fade, and frames still come at least 40 ms apart. No frame is skipped.
    FrameDue advance(std::uint64_t nowNs) override {
        // One frame onto the window at the fade's place: the common top-left area of both
        // pictures, weighted by F = Round(T x 256) for the new picture and 256 - F for the old.
        const float T = float(frame_) / float(kLastFrame);
        show_.form().drawBlend(at_.x, at_.y, old_.kept.bitmap(), new_.kept.bitmap(),
                               blendWeight(T));
        if (++frame_ > kLastFrame) {
            // The old picture is never drawn again: only the new one waits for the next fade.
            old_ = {};
            return std::nullopt;
        }
        due_ = std::max(due_, nowNs) + kFramePauseNs;
        return due_;
    }

    // The shutdown, or a move to another screen, frees the two pictures; a fade after a move
    // starts as the first did, from two pictures taken anew, not from nothing.
    void release() override {
        old_ = {};
        new_ = {};
        firstTick_ = true;
    }

    // The first fade tick takes two pictures.
    std::vector<PictureUse> nextUses() const override {
        // No more than its top-left screen-sized part shows: a picture decodes only that.
        const Size screen = show_.screen();
        const PictureUse use{.clip = screen,
                             .shape = {.keep = PictureShape::Keep::TopLeft, .size = screen}};
        return firstTick_ ? std::vector{use, use} : std::vector{use};
    }

private:
    // The next picture into new_. One that cannot be loaded or decoded fades in as the card
    // centred on a screen-sized field of the background colour: the fade covers what the photo
    // before covered, and so does the fade out of it, instead of a small square in the corner.
    void takeNextPicture() {
        new_ = {};  // freed before the next picture is decoded
        LoadedPicture loaded = show_.nextScreenPicture(nextUses().front());
        // Cut to the screen already (the fallback card is of its size): kept as it comes.
        loaded.picture.bitmap();
        new_ = {std::move(loaded.picture), loaded.natural};
    }

    Show& show_;
    bool firstTick_ = true;
    FadePicture old_, new_;
    Point at_;
    // The frame drawn next, 0 to 100, and when it is due.
    int frame_ = 0;
    std::uint64_t due_ = 0;
};

}  // namespace

std::unique_ptr<DisplayMode> makeFadeEffect(Show& show) {
    return std::make_unique<FadeEffect>(show);
}

}  // namespace quillo
