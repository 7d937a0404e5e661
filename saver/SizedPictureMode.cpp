// Modes 2 and 5: every picture centred over the cycling background, at its natural size (2) or
// stretched to the custom Width by Height (5).
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
        image_.setPicture(show_.nextPicture());
        image_.setWidth(image_.picture().width());  // the control takes the picture's size
        image_.setHeight(image_.picture().height());
        if (customSize_) {
            const Size size = show_.customSize();
            image_.setStretch(true);
            image_.setWidth(size.width);
            image_.setHeight(size.height);
        }
        const Point at = centerImage(show_.screen(), image_.width(), image_.height());
        image_.setLeft(at.x);
        image_.setTop(at.y);
        show_.showImage(image_);
        return std::nullopt;
    }

private:
    Show& show_;
    bool customSize_;
    ImageControl& image_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeSizedPictureMode(Show& show, bool customSize) {
    return std::make_unique<SizedPictureMode>(show, customSize);
}

}  // namespace quillo
