// Mode 4: the four quarters of the screen refilled one per tick, top left, bottom left, top
// right, bottom right, each picture stretched over its quarter.
#include "LayoutGeometry.h"
#include "Show.h"

namespace quillo {

namespace {

class TiledMode : public DisplayMode {
public:
    explicit TiledMode(Show& show)
        : show_(show),
          tiles_{&show.form().addImage({}), &show.form().addImage({}), &show.form().addImage({}),
                 &show.form().addImage({})} {}

    FrameDue begin(std::uint64_t) override {
        ImageControl& tile = *tiles_[nextQuarter_ - 1];
        const int next = nextQuarter_ <= 3 ? nextQuarter_ + 1 : 1;
        tile.setVisible(false);
        tile.clearPicture();  // the old picture goes before the next one is decoded
        const Rect quarter = tileRect(show_.screen(), nextQuarter_);
        tile.setPicture(show_.nextPicture(use(nextQuarter_)));
        tile.setBounds(quarter.left, quarter.top, quarter.width(), quarter.height());
        tile.setStretch(true);
        nextQuarter_ = next;
        show_.showImage(tile);
        return std::nullopt;
    }

    std::vector<PictureUse> nextUses() const override { return {use(nextQuarter_)}; }

private:
    // A tile keeps its picture stretched to the quarter, not the decoded photo: four photos would
    // hold several hundred megabytes to show four quarters of the screen. Stretching the
    // quarter-sized copy over the same quarter again is one to one, so the screen is unchanged.
    // A JPEG comes decoded at that size already.
    PictureUse use(int quarterNumber) const {
        const Rect quarter = tileRect(show_.screen(), quarterNumber);
        const Size size{quarter.width(), quarter.height()};
        return {.sample = size,
                .shape = {.keep = PictureShape::Keep::Stretched, .size = size, .screen = size}};
    }

    Show& show_;
    // The quarters' controls, in the order they fill.
    ImageControl* tiles_[4];
    // The quarter that fills next: 1 top left, 2 bottom left, 3 top right, 4 bottom right.
    int nextQuarter_ = 1;
};

}  // namespace

std::unique_ptr<DisplayMode> makeTiledMode(Show& show) {
    return std::make_unique<TiledMode>(show);
}

}  // namespace quillo
