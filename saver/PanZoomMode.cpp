// Mode 12: each picture covers the screen and moves slowly through itself, zooming in or out and
// panning along a path drawn at its tick (PanZoomMotion.h); the next tick cross-fades to the next
// picture over a second, both moving. The display timer keeps running: a tick comes every delay,
// the cross-fade included, so a delay shorter than the cross-fade shortens it.
//
// Frames come about 30 a second, never faster than the screen refreshes, each drawn at the
// framing of its own time, so a frame drawn late shows the motion where it is by then. Input
// ends the saver between any two frames, and nothing is held back. A damaged file shows the
// fallback card centred on the background colour, standing still.
//
// Two pictures at most are kept, the one fading out and the one coming in, each decoded no
// finer than its most zoomed framing needs; the next is decoded ahead only once the cross-fade
// has let the older go, so that no third is held beside them.
#include <algorithm>
#include <cmath>

#include "FallbackPicture.h"
#include "FramingDraw.h"
#include "PanZoomMotion.h"
#include "Show.h"

namespace quillo {

namespace {

constexpr std::uint64_t kMsNs = 1'000'000;
constexpr std::uint64_t kCrossFadeNs = 1000 * kMsNs;
constexpr std::uint64_t kFrameNs = 1'000'000'000 / 30;
// The most the motion zooms in: the picture is wanted this much finer than the cover size.
constexpr double kMostZoom = 1.25;

struct MovingPicture {
    Picture picture;
    PanZoomPath path;  // zoom 1 in the middle: the card stands still
    std::uint64_t tickNs = 0;
    std::uint64_t spanNs = 0;  // how long it moves, then stands at its path's end
    bool still = false;
    bool empty() const { return picture.empty(); }
    Framing framing(std::uint64_t nowNs, Size screen) const {
        const Bitmap& pixels = picture.bitmap();
        return panZoomFraming(nowNs - std::min(nowNs, tickNs), spanNs,
                              {pixels.width(), pixels.height()}, screen, path);
    }
};

class PanZoomMode : public DisplayMode {
public:
    explicit PanZoomMode(Show& show) : show_(show) {}

    FrameDue begin(std::uint64_t nowNs) override {
        // The one before the one fading out is freed before the next is decoded.
        fadingOut_ = {};
        fadingOut_ = std::move(current_);
        current_ = takeNextPicture(show_.host().nowNs());
        // The cross-fade takes a second, or the whole delay when that is shorter.
        const std::uint64_t delay = std::uint64_t(show_.delayMs()) * kMsNs;
        fadeNs_ = delay > 0 ? std::min(kCrossFadeNs, delay) : kCrossFadeNs;
        if (fadingOut_.empty()) fadeNs_ = 0;
        // The first frame at once: the picture fading out where the motion has it now.
        due_ = nowNs;
        return due_;
    }

    FrameDue advance(std::uint64_t nowNs) override {
        const Size screen = show_.screen();
        Bitmap& target = show_.form().drawInto(Rect::fromSize(0, 0, screen.width, screen.height));
        const std::uint64_t sinceTick = nowNs - std::min(nowNs, current_.tickNs);
        const bool fading = !fadingOut_.empty() && sinceTick < fadeNs_;
        if (fading) {
            drawFraming(target, fadingOut_.picture.bitmap(), fadingOut_.framing(nowNs, screen));
            drawFraming(target, current_.picture.bitmap(), current_.framing(nowNs, screen),
                        double(sinceTick) / double(fadeNs_));
        } else {
            if (!fadingOut_.empty()) {
                // Two pictures and the next one's decode would be three: it waits until now.
                fadingOut_ = {};
                show_.decodeAheadAgain();
            }
            if (!current_.empty())
                drawFraming(target, current_.picture.bitmap(), current_.framing(nowNs, screen));
        }
        // Nothing moves any more until the next tick: a still card, or the path's end.
        if (!fading && (current_.empty() || current_.still || sinceTick >= current_.spanNs))
            return std::nullopt;
        // The next frame on the frames' own grid, the slots a late frame missed skipped.
        const std::uint64_t interval = frameInterval();
        due_ += interval;
        if (due_ <= nowNs) due_ += ((nowNs - due_) / interval + 1) * interval;
        return due_;
    }

    std::vector<PictureUse> nextUses() const override {
        PictureUse next = use();
        next.notAheadYet = !fadingOut_.empty();
        return {next};
    }

    void release() override {
        fadingOut_ = {};
        current_ = {};
    }

private:
    // About 30 a second, never more often than the screen shows a new picture.
    std::uint64_t frameInterval() const {
        const double hz = show_.screenInfo().refreshHz;
        const std::uint64_t refresh = hz > 1 ? std::uint64_t(std::llround(1e9 / hz)) : 0;
        return std::max(kFrameNs, refresh);
    }

    // Fine enough to cover the screen at the closest zoom: a JPEG larger than that is decoded at
    // the smallest scale that still covers it, and what is still finer (a large bitmap) is
    // averaged down to that once, ahead when it can be. Only what can be shown is kept, and the
    // filter never samples it sparsely, which would shimmer.
    PictureUse use() const {
        const Size screen = show_.screen();
        const Size finest{int(std::ceil(screen.width * kMostZoom)),
                          int(std::ceil(screen.height * kMostZoom))};
        return {.cover = finest, .shape = {.keep = PictureShape::Keep::Covering, .size = finest}};
    }

    MovingPicture takeNextPicture(std::uint64_t tickNs) {
        LoadedPicture loaded = show_.nextShapedPicture(use());
        MovingPicture next;
        next.picture = std::move(loaded.picture);
        // The window's background is never painted, as every frame covers it: the tick's colour
        // is seen only around the card, which is made in it here.
        const bool card = loaded.loadFailed || loaded.decodeFailed;
        if (card) next.picture = Picture(fallbackCard(show_.screen(), show_.tickColour()));
        next.tickNs = tickNs;
        // It moves from its tick until the next tick's cross-fade away from it ends.
        const std::uint64_t delay = std::uint64_t(show_.delayMs()) * kMsNs;
        next.spanNs = std::max<std::uint64_t>(delay, kCrossFadeNs) + kCrossFadeNs;
        next.still = card;
        if (!card) next.path = randomPanZoomPath(show_.random());
        return next;
    }

    Show& show_;
    MovingPicture fadingOut_, current_;
    std::uint64_t fadeNs_ = 0;
    std::uint64_t due_ = 0;
};

}  // namespace

std::unique_ptr<DisplayMode> makePanZoomMode(Show& show) {
    return std::make_unique<PanZoomMode>(show);
}

}  // namespace quillo
