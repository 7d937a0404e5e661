// Mode 8: the new picture rolls down, centred, one row a frame, 10 ms apart: after each pause
// the pending input is handled, then the row is copied. A row reaches the screen at the end of
// its frame.
#include <algorithm>

#include "LayoutGeometry.h"
#include "Show.h"

namespace quillo {

namespace {

// The left or top edge of the rolled picture: 0 when it is at least as large as the screen,
// else centred, each half rounded by itself (so 801 on 1366 gives 683 - 400 = 283).
int rollEdge(int screen, int picture) {
    return picture >= screen ? 0 : Round(screen / 2.0) - Round(picture / 2.0);
}

constexpr std::uint64_t kRowPauseNs = 10'000'000;

class RollDownEffect : public DisplayMode {
public:
    explicit RollDownEffect(Show& show) : show_(show) {}

    FrameDue begin(std::uint64_t nowNs) override {
        // The new colour's repaint is served by the loop before the first row.
        show_.changeColour();
        picture_ = show_.nextPicture(use());
        const Bitmap& bitmap = picture_.bitmap();
        const Size screen = show_.screen();
        origin_ = {rollEdge(screen.width, bitmap.width()),
                   rollEdge(screen.height, bitmap.height())};
        nextRow_ = 0;
        return moreRows() ? FrameDue(nowNs + kRowPauseNs) : finish();
    }

    // Row R of the picture is taken before R advances, so bitmap row k lands on window row
    // Y0 + k + 1.
    FrameDue advance(std::uint64_t nowNs) override {
        // The row's pixels in one copy, which the loop presents as one row.
        const Bitmap& bitmap = picture_.bitmap();
        const int from = nextRow_;
        ++nextRow_;
        const int width = std::min(bitmap.width(), show_.screen().width - origin_.x);
        if (width > 0)
            show_.form().copyRect(Rect::fromSize(origin_.x, origin_.y + nextRow_, width, 1), bitmap,
                                  Rect::fromSize(0, from, width, 1));
        return moreRows() ? FrameDue(nowNs + kRowPauseNs) : finish();
    }

    void release() override { finish(); }

    std::vector<PictureUse> nextUses() const override { return {use()}; }

private:
    // No more than the picture's top-left screen-sized part rolls onto the screen: only that is
    // decoded and kept.
    PictureUse use() const {
        const Size screen = show_.screen();
        return {.clip = screen, .shape = {.keep = PictureShape::Keep::TopLeft, .size = screen}};
    }

    // Rows remain while the picture has some and they land above the screen's bottom edge.
    bool moreRows() const {
        return nextRow_ <= picture_.bitmap().height() - 1 &&
               nextRow_ + origin_.y < show_.screen().height;
    }

    FrameDue finish() {
        picture_ = Picture();
        return std::nullopt;
    }

    Show& show_;
    Picture picture_;
    // The picture's top-left corner, X0 and Y0.
    Point origin_;
    int nextRow_ = 0;
};

}  // namespace

std::unique_ptr<DisplayMode> makeRollDownEffect(Show& show) {
    return std::make_unique<RollDownEffect>(show);
}

}  // namespace quillo
