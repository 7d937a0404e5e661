// Mode 11: every tick cross-fades, at a random place, from the picture the previous fade ended
// on to the next picture, in 101 frames 40 ms apart. The two pictures live from the first fade
// tick to the shutdown. No messages are handled during the fade: input waits until it is over.
//
// Only what can reach the screen is kept and blended: a picture is placed at or right of the
// left edge and at or below the top, so no more than its top-left screen-sized part is ever
// shown, and of the common area only the part on the screen at the fade's placement is mixed,
// straight onto the window.
#include <algorithm>
#include <cstring>

#include "Blend.h"
#include "SaverWindow.h"

namespace quillo {

namespace {

constexpr int kLastFrame = 100;
constexpr std::uint64_t kFramePauseNs = 40'000'000;

class FadeEffect : public DisplayMode {
public:
    explicit FadeEffect(SaverWindow& w) : w_(w) {}

    void run() override {
        // 1. to 7. A failed frame must not freeze the display for the rest of the run: the
        // timer goes on again before the failure reaches the default report.
        w_.PauseTimerDuring([this] {
            w_.CycleColors();
            fade();
        });
    }

    // The shutdown frees the two pictures.
    void release() override {
        FadeOld = Bitmap();
        FadeNew = Bitmap();
    }

private:
    void fade() {
        // 2. The first fade tick takes two pictures.
        if (FadeFirst) {
            FadeFirst = false;
            w_.NextPicture({.clip = w_.screen()});
            takeNewPicture();
        }
        // 3. The picture the previous fade ended on becomes the old one; swapping gives the
        // same pixels as a copy, and FadeNew is refilled next.
        std::swap(FadeOld, FadeNew);
        std::swap(oldSize_, newSize_);
        // 4.
        w_.NextPicture({.clip = w_.screen()});
        takeNewPicture();
        // 5. A picture as large as the screen takes the quarter branch too. The placement goes by
        // the picture's own size, not by the part of it that is kept.
        const Point at = w_.RandomPlacement(oldSize_.width, oldSize_.height, true);
        // 6. 101 frames; frame 0 is exactly the old picture, frame 100 exactly the new one. The
        // pause before each frame runs to 40 ms after the previous one was drawn: putting the last
        // one on the screen counts against it, so a slow present on a large screen does not
        // stretch the fade, and frames still come at least 40 ms apart. Each frame is blended
        // straight onto the window, where only the part on the screen is written: the same
        // pixels as blending into a frame bitmap and drawing that, one full copy fewer.
        Host& host = w_.host();
        std::uint64_t due = host.nowNs() + kFramePauseNs;
        for (int K = 0; K <= kLastFrame; ++K) {
            w_.loop().flushDrawing();
            const std::uint64_t now = host.nowNs();
            w_.loop().sleep(due > now ? int((due - now + 999'999) / 1'000'000) : 0);
            due = std::max(due, host.nowNs()) + kFramePauseNs;
            BlendFrames(float(K) / float(kLastFrame), at);
        }
    }

    // Image5's picture into FadeNew, Image5 cleared; a picture that cannot be converted fades
    // in as the fallback picture.
    void takeNewPicture() {
        const Picture picture = w_.Image5.picture();
        w_.Image5.clearPicture();
        FadeNew = Bitmap();  // freed before the next picture is decoded
        try {
            keep(picture.bitmap());
        } catch (const std::exception&) {
            keep(w_.imagjunk.picture().bitmap());
        }
    }

    // The top-left part of the picture that can reach the screen, into FadeNew.
    void keep(const Bitmap& picture) {
        const Size screen = w_.screen();
        const int w = std::min(picture.width(), screen.width);
        const int h = std::min(picture.height(), screen.height);
        Bitmap kept = Bitmap::uninitialized(w, h);
        for (int y = 0; y < h; ++y) std::memcpy(kept.row(y), picture.row(y), kept.stride());
        FadeNew = std::move(kept);
        newSize_ = {picture.width(), picture.height()};
    }

    // One frame onto the window at the fade's place: the common top-left area of both
    // pictures, weighted by F = Round(T x 256) for the new picture and 256 - F for the old.
    void BlendFrames(float T, Point at) {
        w_.form().drawBlend(at.x, at.y, FadeOld, FadeNew, blendWeight(T));
    }

    SaverWindow& w_;
    // True until the first fade tick has taken its two pictures.
    bool FadeFirst = true;
    Bitmap FadeOld, FadeNew;
    // The natural sizes of the pictures FadeOld and FadeNew were cut from.
    Size oldSize_, newSize_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeFadeEffect(SaverWindow& window) {
    return std::make_unique<FadeEffect>(window);
}

}  // namespace quillo
