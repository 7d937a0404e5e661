// Modes 2 and 5: every picture centred over the cycling background, at its natural size (2) or
// stretched to the custom Width by Height (5).
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

namespace {

class SizedPictureMode : public DisplayMode {
public:
    SizedPictureMode(SaverWindow& w, bool customSize) : w_(w), customSize_(customSize) {}

    void run() override {
        ImageControl& image = w_.Image1;
        w_.CycleColors();
        image.setVisible(false);
        image.clearPicture();
        w_.NextPicture();
        w_.TakeNewPicture(image);
        image.setWidth(image.picture().width());  // SizeImageToPicture
        image.setHeight(image.picture().height());
        if (customSize_) {
            image.setStretch(true);
            image.setWidth(w_.Width);
            image.setHeight(w_.Height);
        }
        const Point at = centerImage(w_.screen(), image.width(), image.height());
        image.setLeft(at.x);
        image.setTop(at.y);
        w_.ShowImage(image);
    }

private:
    SaverWindow& w_;
    bool customSize_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeSizedPictureMode(SaverWindow& window, bool customSize) {
    return std::make_unique<SizedPictureMode>(window, customSize);
}

}  // namespace quillo
