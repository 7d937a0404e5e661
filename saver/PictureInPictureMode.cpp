// Mode 3: the new picture centred at natural size, in front of the previous one, which stays at
// a fixed place from (192, 128) on, cut at the screen's edges. Of each picture only the parts
// that can show are kept: its centred part on the screen, and its top-left corner for when it
// goes behind.
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
        behind_.setPicture(corner_);
        const Size screen = show_.screen();
        behind_.setWidth(screen.width);
        behind_.setHeight(screen.height);
        behind_.setVisible(true);
        front_.clearPicture();
        corner_ = Picture();
        LoadedPicture loaded = show_.nextShapedPicture(use());
        const Rect part = shownPart(screen, loaded.natural);
        front_.setPicture(loaded.picture);
        front_.setBounds(part.left, part.top, part.width(), part.height());
        corner_ = std::move(loaded.corner);
        front_.bringToFront();
        show_.showImage(front_);
        return std::nullopt;
    }

    std::vector<PictureUse> nextUses() const override { return {use()}; }

    void release() override { corner_ = Picture(); }

private:
    PictureUse use() const {
        const Size screen = show_.screen();
        // Behind, the picture shows from kBehindPlace's corner to the screen's edges.
        const Size corner{screen.width - kBehindPlace.left, screen.height - kBehindPlace.top};
        return {.shape = {.keep = PictureShape::Keep::Centred, .screen = screen, .corner = corner}};
    }

    Show& show_;
    ImageControl& front_;
    ImageControl& behind_;
    // The part of the front picture that shows once it is behind.
    Picture corner_;
};

}  // namespace

std::unique_ptr<DisplayMode> makePictureInPictureMode(Show& show) {
    return std::make_unique<PictureInPictureMode>(show);
}

}  // namespace quillo
