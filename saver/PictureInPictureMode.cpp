// Mode 3: the new picture centred at natural size, in front of the previous one, which stays at
// Image2's fixed place.
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

namespace {

class PictureInPictureMode : public DisplayMode {
public:
    explicit PictureInPictureMode(SaverWindow& w) : w_(w) {}

    void run() override {
        ImageControl& front = w_.Image1;
        ImageControl& behind = w_.Image2;
        front.setVisible(false);
        behind.clearPicture();
        behind.setPicture(front.picture());
        const Size screen = w_.screen();
        behind.setWidth(screen.width);
        behind.setHeight(screen.height);
        behind.setVisible(true);
        front.clearPicture();
        w_.NextPicture();
        front.setPicture(w_.Image5.picture());
        front.setWidth(front.picture().width());  // SizeImageToPicture
        front.setHeight(front.picture().height());
        w_.Image5.clearPicture();
        const Point at = centerImage(screen, front.width(), front.height());
        front.setLeft(at.x);
        front.setTop(at.y);
        front.bringToFront();
        w_.ShowImage(front);
    }

private:
    SaverWindow& w_;
};

}  // namespace

std::unique_ptr<DisplayMode> makePictureInPictureMode(SaverWindow& window) {
    return std::make_unique<PictureInPictureMode>(window);
}

}  // namespace quillo
