// Modes 9 and 10: the new picture drawn once at a random place, clipped to a rectangle with
// rounded corners (mode 9) or to the ellipse inscribed in it (mode 10).
#include "LayoutGeometry.h"
#include "ScopeExit.h"
#include "Show.h"

namespace quillo {

namespace {

class ClippedPictureEffect : public DisplayMode {
public:
    ClippedPictureEffect(Show& show, bool circle) : show_(show), circle_(circle) {}

    FrameDue begin(std::uint64_t) override {
        // The new colour, painted at once (the mode draws on the surface), clears the earlier
        // pictures before this tick's is drawn.
        show_.changeColour();
        try {
            draw(show_.nextShapedPicture(use(), BadPicture::Skip));
        } catch (const std::exception&) {
            // A picture that cannot be converted or drawn is skipped quietly.
        }
        return std::nullopt;
    }

    std::vector<PictureUse> nextUses() const override { return {use()}; }

private:
    // Placed by its own size anywhere from the screen's top-left quarter, no more than its
    // top-left screen-sized part can show: only that is kept.
    PictureUse use() const {
        return {.shape = {.keep = PictureShape::Keep::TopLeft, .size = show_.screen()}};
    }

    void draw(const LoadedPicture& loaded) {
        const Bitmap& bitmap = loaded.picture.bitmap();
        const int W = loaded.natural.width, H = loaded.natural.height;
        const Point at = show_.randomPlacement(W, H);
        // The corners are quarters of an ellipse a fifth of the picture wide and high.
        const Rect r = Rect::fromSize(at.x, at.y, W, H);
        Region region =
            circle_ ? Region::ellipse(r) : Region::roundRect(r, Round(W / 5.0), Round(H / 5.0));
        // The clip serves this one draw, even when the draw fails.
        Form& form = show_.form();
        form.selectClip(std::move(region));
        ScopeExit release([&form] { form.releaseClip(); });
        form.drawBitmap(at.x, at.y, bitmap);
    }

    Show& show_;
    bool circle_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeClippedPictureEffect(Show& show, bool circle) {
    return std::make_unique<ClippedPictureEffect>(show, circle);
}

}  // namespace quillo
