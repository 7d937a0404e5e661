// Mode 4: the four quarters of the screen refilled one per tick, top left, bottom left, top
// right, bottom right, each picture stretched over its quarter.
#include <exception>

#include "LayoutGeometry.h"
#include "Scale.h"
#include "Show.h"

namespace quillo {

namespace {

class TiledMode : public DisplayMode {
public:
    explicit TiledMode(Show& show)
        : show_(show),
          tiles_{&show.form().addImage({}), &show.form().addImage({}), &show.form().addImage({}),
                 &show.form().addImage({})} {}

    FrameDue begin(std::uint64_t) override {
        ImageControl& tile = *tiles_[nextQuarter_ - 1];
        const int next = nextQuarter_ <= 3 ? nextQuarter_ + 1 : 1;
        tile.setVisible(false);
        tile.clearPicture();  // the old picture goes before the next one is decoded
        const Rect quarter = tileRect(show_.screen(), nextQuarter_);
        tile.setPicture(show_.nextPicture({.sample = {quarter.width(), quarter.height()}}));
        tile.setBounds(quarter.left, quarter.top, quarter.width(), quarter.height());
        tile.setStretch(true);
        keepAtShownSize(tile, quarter);
        nextQuarter_ = next;
        show_.showImage(tile);
        return std::nullopt;
    }

private:
    // A tile keeps its picture stretched to the quarter, not the decoded photo: four photos would
    // hold several hundred megabytes to show four quarters of the screen. Stretching the
    // quarter-sized copy over the same quarter again is one to one, so the screen is unchanged.
    // A JPEG usually comes decoded at that size already, and drops its file's bytes once decoded.
    static void keepAtShownSize(ImageControl& tile, const Rect& quarter) {
        const Picture& picture = tile.picture();
        if (quarter.empty() || picture.empty()) return;
        try {
            const Bitmap& full = picture.bitmap();
            if (full.width() == quarter.width() && full.height() == quarter.height()) return;
            Bitmap shown = Bitmap::uninitialized(quarter.width(), quarter.height());
            stretchCopy(shown, shown.rect(), full, full.rect());
            tile.setPicture(Picture(std::move(shown)));
        } catch (const std::exception&) {
            // Data that cannot be decoded stay as they are: showing the tile reports them.
        }
    }

    Show& show_;
    // The quarters' controls, in the order they fill.
    ImageControl* tiles_[4];
    // The quarter that fills next: 1 top left, 2 bottom left, 3 top right, 4 bottom right.
    int nextQuarter_ = 1;
};

}  // namespace

std::unique_ptr<DisplayMode> makeTiledMode(Show& show) {
    return std::make_unique<TiledMode>(show);
}

}  // namespace quillo
