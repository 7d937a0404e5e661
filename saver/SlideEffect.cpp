// Mode 7: the new picture slides in from a random screen edge, along the top edge (from the left
// or right) or the left edge (from the bottom or top), as fast as drawing allows, and stops
// against the edge it came in from. Each step is a frame of its own, so input is handled between
// any two steps and can end the saver in the middle of a slide.
#include <algorithm>
#include <optional>

#include "SaverRandom.h"
#include "Scale.h"
#include "Show.h"

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
    explicit SlideEffect(Show& show) : show_(show) {}

    FrameDue begin(std::uint64_t nowNs) override {
        // The new colour's repaint is served by the loop before the second step.
        show_.changeColour();
        picture_ = show_.nextPicture({}, BadPicture::Skip);
        try {
            // A fresh seed and a random edge.
            show_.random().Randomize();
            const auto d = SlidePath::Direction(show_.random().Random(4) + 1);
            keepWhatSlides(d);
            const Bitmap& bitmap = picture_.bitmap();
            path_.emplace(d, show_.screen(), bitmap.width(), bitmap.height());
        } catch (const std::exception&) {
            // A picture that cannot be converted is skipped quietly.
            finish();
            return std::nullopt;
        }
        return nowNs;
    }

    // Draws the picture where it is, then moves it one step; the next step is due at once.
    FrameDue advance(std::uint64_t nowNs) override {
        try {
            const Bitmap& bitmap = picture_.bitmap();
            show_.form().copyRect(path_->frame(), bitmap, bitmap.rect());
            if (!path_->step()) return nowNs;
        } catch (const std::exception&) {
            // A picture that cannot be drawn is skipped quietly.
        }
        finish();
        return std::nullopt;
    }

    void release() override { finish(); }

private:
    // Along the top edge no more than the screen's height of the picture ever shows, along the
    // left edge no more than its width: the rest is let go before the slide.
    void keepWhatSlides(SlidePath::Direction d) {
        const Bitmap& full = picture_.bitmap();
        const Size screen = show_.screen();
        const bool alongTop = d == SlidePath::FromLeft || d == SlidePath::FromRight;
        const int w = alongTop ? full.width() : std::min(full.width(), screen.width);
        const int h = alongTop ? std::min(full.height(), screen.height) : full.height();
        if (w == full.width() && h == full.height()) return;
        Bitmap kept = Bitmap::uninitialized(w, h);
        drawAt(kept, 0, 0, full, kept.rect());
        picture_ = Picture(std::move(kept));
    }

    void finish() {
        path_.reset();
        picture_ = Picture();
    }

    Show& show_;
    Picture picture_;
    std::optional<SlidePath> path_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeSlideEffect(Show& show) {
    return std::make_unique<SlideEffect>(show);
}

}  // namespace quillo
