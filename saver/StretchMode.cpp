// Mode 1: every picture stretched over the whole screen.
#include "SaverWindow.h"

namespace quillo {

namespace {

class StretchMode : public DisplayMode {
public:
    explicit StretchMode(SaverWindow& w) : w_(w) {}

    void run() override {
        ImageControl& image = w_.Image1;
        image.setVisible(false);
        image.clearPicture();
        w_.NextPicture();
        w_.TakeNewPicture(image);
        image.setStretch(true);
        const Size screen = w_.screen();
        image.setBounds(0, 0, screen.width, screen.height);
        w_.ShowImage(image);
    }

private:
    SaverWindow& w_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeStretchMode(SaverWindow& window) {
    return std::make_unique<StretchMode>(window);
}

}  // namespace quillo
