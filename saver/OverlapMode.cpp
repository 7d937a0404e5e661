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
        const Picture picture = show_.nextPicture({}, BadPicture::Skip);
        try {
            const Bitmap& bitmap = picture.bitmap();
            const Point at = show_.randomPlacement(picture.width(), picture.height());
            show_.form().drawBitmap(at.x, at.y, bitmap);
        } catch (const std::exception&) {
            // A picture that cannot be converted or drawn is skipped quietly.
        }
        return std::nullopt;
    }

private:
    Show& show_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeOverlapMode(Show& show) {
    return std::make_unique<OverlapMode>(show);
}

}  // namespace quillo
