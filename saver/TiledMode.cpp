// Mode 4: the four quarters of the screen refilled one per tick, top left, bottom left, top
// right, bottom right, each picture stretched over its quarter.
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

namespace {

class TiledMode : public DisplayMode {
public:
    explicit TiledMode(SaverWindow& w) : w_(w) {}

    void run() override {
        int& state = w_.TileState;
        ImageControl& tile = state == 1   ? w_.Image1
                             : state == 2 ? w_.Image2
                             : state == 3 ? w_.Image3
                                          : w_.Image4;
        const int next = state >= 1 && state <= 3 ? state + 1 : 1;
        tile.setVisible(false);
        w_.NextPicture();
        w_.TakeNewPicture(tile);
        const Rect quarter = tileRect(w_.screen(), state);  // PlaceTile
        tile.setBounds(quarter.left, quarter.top, quarter.width(), quarter.height());
        tile.setStretch(true);
        state = next;
        w_.ShowImage(tile);
    }

private:
    SaverWindow& w_;
};

}  // namespace

std::unique_ptr<DisplayMode> makeTiledMode(SaverWindow& window) {
    return std::make_unique<TiledMode>(window);
}

}  // namespace quillo
