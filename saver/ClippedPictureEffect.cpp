// Modes 9 and 10: the new picture drawn once at a random place, clipped to a rectangle with
// rounded corners (mode 9) or to the ellipse inscribed in it (mode 10).
#include "LayoutGeometry.h"
#include "SaverWindow.h"
#include "ScopeExit.h"

namespace quillo {

namespace {

class ClippedPictureEffect : public DisplayMode {
public:
    ClippedPictureEffect(SaverWindow& w, bool circle) : w_(w), circle_(circle) {}

    void run() override {
        // 1.
        w_.CycleColors();
        // 2.
        w_.NextPicture();
        try {
            draw();
        } catch (const std::exception&) {
            // A picture that cannot be converted or drawn is skipped quietly.
        }
    }

private:
    void draw() {
        // 2. The working bitmap: the decoded picture, kept alive by this copy.
        const Picture work = w_.Image5.picture();
        const Bitmap& bitmap = work.bitmap();
        const int W = bitmap.width(), H = bitmap.height();
        // 3, 4.
        const Point at = w_.RandomPlacement(work.width(), work.height());
        w_.Image5.clearPicture();
        // 5. The corners are quarters of an ellipse a fifth of the picture wide and high.
        const Rect r = Rect::fromSize(at.x, at.y, W, H);
        Region region =
            circle_ ? Region::ellipse(r) : Region::roundRect(r, Round(W / 5.0), Round(H / 5.0));
        // 6. The clip serves this one draw, even when the draw fails.
        Form& form = w_.form();
        form.selectClip(std::move(region));
        ScopeExit release([&form] { form.releaseClip(); });
        form.drawBitmap(at.x, at.y, bitmap);
    }

    SaverWindow& w_;
    bool circle_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeClippedPictureEffect(SaverWindow& window, bool circle) {
    return std::make_unique<ClippedPictureEffect>(window, circle);
}

}  // namespace quillo
