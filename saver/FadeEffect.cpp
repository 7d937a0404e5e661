// Mode 11: every tick cross-fades, at a random place, from the picture the previous fade ended
// on to the next picture, in 101 frames 40 ms apart. The three bitmaps live from the first fade
// tick to the shutdown, so a fade allocates nothing once the sizes have settled. No messages
// are handled during the fade: input waits until it is over.
#include <algorithm>

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

    // The shutdown frees the three bitmaps.
    void release() override {
        FadeOld = Bitmap();
        FadeNew = Bitmap();
        FadeOut = Bitmap();
    }

private:
    void fade() {
        // 2. The first fade tick takes two pictures.
        if (w_.FadeFirst) {
            w_.FadeFirst = false;
            w_.NextPicture();
            takeNewPicture();
        }
        // 3. The picture the previous fade ended on becomes the old one; swapping gives the
        // same pixels as a copy, and FadeNew is refilled next.
        std::swap(FadeOld, FadeNew);
        // 4.
        w_.NextPicture();
        takeNewPicture();
        // 5. A picture as large as the screen takes the quarter branch too.
        const Point at = w_.RandomPlacement(FadeOld.width(), FadeOld.height(), true);
        // 6. 101 frames; frame 0 is exactly the old picture, frame 100 exactly the new one. The
        // pause before each draw runs to 40 ms after the previous draw: blending this frame and
        // putting the last one on the screen count against it, so a slow present on a large
        // screen does not stretch the fade, and frames still come at least 40 ms apart.
        Host& host = w_.host();
        std::uint64_t due = host.nowNs() + kFramePauseNs;
        for (int K = 0; K <= kLastFrame; ++K) {
            BlendFrames(float(K) / float(kLastFrame));
            w_.loop().flushDrawing();
            const std::uint64_t now = host.nowNs();
            w_.loop().sleep(due > now ? int((due - now + 999'999) / 1'000'000) : 0);
            due = std::max(due, host.nowNs()) + kFramePauseNs;
            w_.form().drawBitmap(at.x, at.y, FadeOut);
        }
    }

    // Image5's picture into FadeNew, Image5 cleared; a picture that cannot be converted fades
    // in as the fallback picture.
    void takeNewPicture() {
        const Picture picture = w_.Image5.picture();
        w_.Image5.clearPicture();
        try {
            FadeNew = picture.bitmap();
        } catch (const std::exception&) {
            FadeNew = w_.imagjunk.picture().bitmap();
        }
    }

    // One frame into FadeOut: the common top-left area of both pictures, weighted by
    // F = Round(T x 256) for the new picture and 256 - F for the old.
    void BlendFrames(float T) { blendRows(FadeOut, FadeOld, FadeNew, blendWeight(T)); }

    SaverWindow& w_;
    Bitmap FadeOld, FadeNew, FadeOut;
};

}  // namespace

std::unique_ptr<DisplayMode> makeFadeEffect(SaverWindow& window) {
    return std::make_unique<FadeEffect>(window);
}

}  // namespace quillo
