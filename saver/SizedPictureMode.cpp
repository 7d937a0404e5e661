// Modes 2 and 5: every picture centred over the cycling background, at its natural size (2) or
// stretched to the custom Width by Height (5). Only the part on the screen is kept.
#include "LayoutGeometry.h"
#include "Show.h"

namespace quillo {

namespace {

class SizedPictureMode : public DisplayMode {
public:
    SizedPictureMode(Show& show, bool customSize)
        : show_(show), customSize_(customSize), image_(show.form().addImage({})) {}

    FrameDue begin(std::uint64_t) override {
        show_.changeColour();
        image_.setVisible(false);
        image_.clearPicture();
        const Size custom = show_.customSize();
        if (customSize_ && (custom.width <= 0 || custom.height <= 0)) {
            // No size to stretch to: the control keeps that size, as it is told.
            image_.setPicture(show_.nextPicture());
            image_.setStretch(true);
            image_.setWidth(custom.width);
            image_.setHeight(custom.height);
            const Point at = centerImage(show_.screen(), image_.width(), image_.height());
            image_.setLeft(at.x);
            image_.setTop(at.y);
        } else {
            const LoadedPicture loaded = show_.nextShapedPicture(use());
            // The part of the centred picture on the screen, placed where it shows.
            const Rect part = shownPart(show_.screen(), customSize_ ? custom : loaded.natural);
            image_.setPicture(loaded.picture);
            image_.setStretch(customSize_);
            image_.setBounds(part.left, part.top, part.width(), part.height());
        }
        show_.showImage(image_);
        return std::nullopt;
    }

    std::vector<PictureUse> nextUses() const override { return {use()}; }

private:
    PictureUse use() const {
        const Size screen = show_.screen();
        const Size custom = show_.customSize();
        if (!customSize_) return {.shape = {.keep = PictureShape::Keep::Centred, .screen = screen}};
        if (custom.width <= 0 || custom.height <= 0) return {};
        return {.cover = custom,
                .shape = {.keep = PictureShape::Keep::Stretched, .size = custom, .screen = screen}};
    }

    Show& show_;
    bool customSize_;
    ImageControl& image_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeSizedPictureMode(Show& show, bool customSize) {
    return std::make_unique<SizedPictureMode>(show, customSize);
}

}  // namespace quillo
