// Mode 6: every picture drawn at a random place over the ones before it, until a change of the
// background colour clears the screen.
#include "SaverWindow.h"

namespace quillo {

namespace {

class OverlapMode : public DisplayMode {
public:
    explicit OverlapMode(SaverWindow& w) : w_(w) {}

    void run() override {
        w_.CycleColors();
        w_.NextPicture();
        try {
            // The working bitmap: the decoded picture itself, kept alive by this copy of the
            // picture while Image5 is cleared.
            const Picture work = w_.Image5.picture();
            const Bitmap& bitmap = work.bitmap();
            const Point at = w_.RandomPlacement(work.width(), work.height());
            w_.Image5.clearPicture();
            w_.form().drawBitmap(at.x, at.y, bitmap);
        } catch (const std::exception&) {
            // A picture that cannot be converted or drawn is skipped quietly.
        }
    }

private:
    SaverWindow& w_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeOverlapMode(SaverWindow& window) {
    return std::make_unique<OverlapMode>(window);
}

}  // namespace quillo
