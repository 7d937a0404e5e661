// Mode 6: every picture drawn at a random place over the ones before it, until a change of the
// background colour clears the screen.
#include "Show.h"

namespace quillo {

namespace {

class OverlapMode : public DisplayMode {
public:
    explicit OverlapMode(Show& show) : show_(show) {}

    FrameDue begin(std::uint64_t) override {
        // The new colour, painted at once (the mode draws on the surface), clears the earlier
        // pictures before this tick's is drawn, so every tick puts one picture on the screen.
        show_.changeColour();
        // Placed by its own size anywhere from the screen's top-left quarter, no more than its
        // top-left screen-sized part can show: only that is kept.
        const LoadedPicture loaded = show_.nextShapedPicture(use(), BadPicture::Skip);
        try {
            const Bitmap& bitmap = loaded.picture.bitmap();
            const Point at = show_.randomPlacement(loaded.natural.width, loaded.natural.height);
            show_.form().drawBitmap(at.x, at.y, bitmap);
        } catch (const std::exception&) {
            // A picture that cannot be converted or drawn is skipped quietly.
        }
        return std::nullopt;
    }

    std::vector<PictureUse> nextUses() const override { return {use()}; }

private:
    PictureUse use() const {
        return {.shape = {.keep = PictureShape::Keep::TopLeft, .size = show_.screen()}};
    }

    Show& show_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeOverlapMode(Show& show) {
    return std::make_unique<OverlapMode>(show);
}

}  // namespace quillo
