// Mode 8: the new picture rolls down, centred, one row per pass: a 10 ms pause, the pending
// messages, then the row's pixels one by one. The writes of a row reach the screen together, at
// the next pause.
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

namespace {

// The left or top edge of the rolled picture: 0 when it is at least as large as the screen,
// else centred, each half rounded by itself (so 801 on 1366 gives 683 - 400 = 283).
int rollEdge(int screen, int picture) {
    return picture >= screen ? 0 : Round(screen / 2.0) - Round(picture / 2.0);
}

class RollDownEffect : public DisplayMode {
public:
    explicit RollDownEffect(SaverWindow& w) : w_(w) {}

    void run() override {
        // 1. to 6. A failure goes to the default report, but the display goes on; a shutdown
        // during the roll leaves the timer off.
        w_.PauseTimerDuring(
            [this] {
                w_.CycleColors();
                roll();
            },
            [] { return !StopFlag; });
    }

private:
    void roll() {
        // 2. The working bitmap; Image5 keeps its picture in this mode.
        w_.NextPicture();
        const Picture work = w_.Image5.picture();
        const Bitmap& bitmap = work.bitmap();
        const int W = bitmap.width(), H = bitmap.height();
        const Size screen = w_.screen();
        // 3.
        const int X0 = rollEdge(screen.width, W);
        const int Y0 = rollEdge(screen.height, H);
        // 4.
        int R = 0;
        StopFlag = false;
        // 5. Row R is taken before R advances, so bitmap row k lands on window row Y0 + k + 1.
        while (R <= H - 1 && !stopped() && R + Y0 < screen.height) {
            const std::uint8_t* row = bitmap.row(R);
            ++R;
            w_.loop().sleep(10);
            w_.loop().processMessages();
            for (int C = 0; C <= W - 1 && !stopped() && X0 + C < screen.width; ++C)
                w_.form().setPixel(X0 + C, Y0 + R, rgb(row[3 * C + 2], row[3 * C + 1], row[3 * C]));
        }
    }

    bool stopped() const { return StopFlag || w_.closed(); }

    SaverWindow& w_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeRollDownEffect(SaverWindow& window) {
    return std::make_unique<RollDownEffect>(window);
}

}  // namespace quillo
