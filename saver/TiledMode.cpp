// Mode 4: the four quarters of the screen refilled one per tick, top left, bottom left, top
// right, bottom right, each picture stretched over its quarter.
#include <exception>

#include "LayoutGeometry.h"
#include "SaverWindow.h"
#include "Scale.h"

namespace quillo {

namespace {

class TiledMode : public DisplayMode {
public:
    explicit TiledMode(SaverWindow& w) : w_(w) {}

    void run() override {
        ImageControl& tile = TileState == 1   ? w_.Image1
                             : TileState == 2 ? w_.Image2
                             : TileState == 3 ? w_.Image3
                                              : w_.Image4;
        const int next = TileState >= 1 && TileState <= 3 ? TileState + 1 : 1;
        tile.setVisible(false);
        const Rect quarter = tileRect(w_.screen(), TileState);  // PlaceTile
        w_.NextPicture({.sample = {quarter.width(), quarter.height()}});
        w_.TakeNewPicture(tile);
        tile.setBounds(quarter.left, quarter.top, quarter.width(), quarter.height());
        tile.setStretch(true);
        keepAtShownSize(tile, quarter);
        TileState = next;
        w_.ShowImage(tile);
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

    SaverWindow& w_;
    // The quarter that fills next: 1 top left, 2 bottom left, 3 top right, 4 bottom right.
    int TileState = 1;
};

}  // namespace

std::unique_ptr<DisplayMode> makeTiledMode(SaverWindow& window) {
    return std::make_unique<TiledMode>(window);
}

}  // namespace quillo
