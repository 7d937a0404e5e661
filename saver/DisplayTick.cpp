// The display tick: the colour counter, the first-tick interval, the sound step and the work of
// the configured display mode, in that order.
#include "BackColors.h"
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

void SaverWindow::Timer1Timer() {
    if (ColorCount > 20) ColorCount = 0;
    ++ColorCount;
    if (FirstTick) {
        FirstTick = false;
        // A negative delay is taken as unsigned, as the platform timer would.
        Timer1.setInterval(std::uint32_t(Time));
    }
    SoundStep();
    if (display_) display_->run();
}

void SaverWindow::CycleBackColor(quillo::Color first, quillo::Color second, quillo::Color third,
                                 quillo::Color fourth) {
    // A different colour repaints the window, which also erases what was drawn directly.
    form_.setColor(colorForCount(first, second, third, fourth, ColorCount));
}

void SaverWindow::CycleColors() {
    const ColorSet& set = colorSet(Color);
    CycleBackColor(set[0], set[1], set[2], set[3]);
}

void SaverWindow::TakeNewPicture(ImageControl& control) {
    control.setPicture(Image5.picture());  // shares the pixels; clearing Image5 keeps them
    Image5.clearPicture();
}

void SaverWindow::ShowImage(ImageControl& control) {
    ShortPause();
    control.picture().bitmap();
    control.setVisible(true);
}

Point SaverWindow::RandomPlacement(int pictureWidth, int pictureHeight, bool fullSizeTakesQuarter) {
    return quillo::RandomPlacement(screen(), pictureWidth, pictureHeight, random_,
                                   fullSizeTakesQuarter);
}

}  // namespace quillo
