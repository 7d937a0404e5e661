// Mode 7: the new picture slides in from a random screen edge, along the top edge (from the left
// or right) or the left edge (from the bottom or top), as fast as drawing allows, and stops
// against the edge it came in from. Pending messages are handled after every step, so input can
// end the saver in the middle of a slide.
#include "SaverWindow.h"

namespace quillo {

namespace {

// Where the picture is at each step. The end test looks at the offset after the step, so the
// frame that would meet it is never drawn: the last frame still reaches 1 pixel (from the left
// or top) or 1 to 3 pixels (from the right or bottom) beyond the edge it came in from.
class SlidePath {
public:
    enum Direction { FromLeft = 1, FromRight = 2, FromBottom = 3, FromTop = 4 };

    SlidePath(Direction d, Size screen, int w, int h)
        : d_(d),
          screen_(screen),
          w_(w),
          h_(h),
          p_(d == FromRight    ? screen.width
             : d == FromBottom ? screen.height
                               : 0) {}

    Rect frame() const {
        switch (d_) {
            case FromLeft:
                return {p_ - w_, 0, p_, h_};
            case FromRight:
                return {p_, 0, p_ + w_, h_};
            case FromBottom:
                return {0, p_, w_, p_ + h_};
            case FromTop:
                break;
        }
        return {0, p_ - h_, w_, p_};
    }

    // Moves one step; true when the picture has arrived.
    bool step() {
        const bool backwards = d_ == FromRight || d_ == FromBottom;
        p_ += backwards ? -3 : 1;
        switch (d_) {
            case FromLeft:
                return p_ - w_ >= 0;
            case FromRight:
                return p_ + w_ <= screen_.width;
            case FromBottom:
                return p_ + h_ <= screen_.height;
            case FromTop:
                break;
        }
        return p_ - h_ >= 0;
    }

private:
    Direction d_;
    Size screen_;
    int w_, h_;
    int p_;  // the leading edge's offset
};

class SlideEffect : public DisplayMode {
public:
    explicit SlideEffect(SaverWindow& w) : w_(w) {}

    void run() override {
        // 1. New colour; no tick may start inside the slide. 7. The timer goes on again at
        // the end, unless a shutdown inside the slide has closed the window.
        w_.CycleColors();
        w_.PauseTimerDuring([this] {
            // 2. Image1 (hidden) holds the picture; Image5 is cleared.
            w_.NextPicture();
            w_.TakeNewPicture(w_.Image1);
            try {
                slide();
            } catch (const std::exception&) {
                // A picture that cannot be converted or drawn is skipped quietly.
            }
        });
    }

private:
    void slide() {
        // 3. The working bitmap: the decoded picture, shared with Image1's copy.
        const Picture work = w_.Image1.picture();
        const Bitmap& bitmap = work.bitmap();
        // 4. A fresh start and a random edge.
        StopFlag = false;
        w_.random().Randomize();
        const auto d = SlidePath::Direction(w_.random().Random(4) + 1);
        // 5.
        SlidePath path(d, w_.screen(), bitmap.width(), bitmap.height());
        // 6. Draw, step, test the end, handle messages; input may stop it (StopFlag).
        while (!StopFlag && !w_.closed()) {
            w_.form().copyRect(path.frame(), bitmap, bitmap.rect());
            if (path.step()) StopFlag = true;
            w_.loop().processMessages();
        }
    }

    SaverWindow& w_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeSlideEffect(SaverWindow& window) {
    return std::make_unique<SlideEffect>(window);
}

}  // namespace quillo
