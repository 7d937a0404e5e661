// Mode 3: the new picture centred at natural size, in front of the previous one, which stays at
// a fixed place from (192, 128) on, cut at the screen's edges.
#include "LayoutGeometry.h"
#include "Show.h"

namespace quillo {

namespace {

constexpr Rect kBehindPlace = Rect::fromSize(192, 128, 105, 105);

class PictureInPictureMode : public DisplayMode {
public:
    explicit PictureInPictureMode(Show& show)
        : show_(show),
          front_(show.form().addImage({})),
          behind_(show.form().addImage(kBehindPlace)) {}

    FrameDue begin(std::uint64_t) override {
        front_.setVisible(false);
        behind_.clearPicture();
        behind_.setPicture(front_.picture());
        const Size screen = show_.screen();
        behind_.setWidth(screen.width);
        behind_.setHeight(screen.height);
        behind_.setVisible(true);
        front_.clearPicture();
        front_.setPicture(show_.nextPicture());
        front_.setWidth(front_.picture().width());  // the control takes the picture's size
        front_.setHeight(front_.picture().height());
        const Point at = centerImage(screen, front_.width(), front_.height());
        front_.setLeft(at.x);
        front_.setTop(at.y);
        front_.bringToFront();
        show_.showImage(front_);
        return std::nullopt;
    }

private:
    Show& show_;
    ImageControl& front_;
    ImageControl& behind_;
};

}  // namespace

std::unique_ptr<DisplayMode> makePictureInPictureMode(Show& show) {
    return std::make_unique<PictureInPictureMode>(show);
}

}  // namespace quillo
