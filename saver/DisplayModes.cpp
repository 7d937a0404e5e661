#include "DisplayMode.h"

namespace quillo {

std::unique_ptr<DisplayMode> makeDisplayMode(int picdis, SaverWindow& window) {
    switch (picdis) {
        case 1:
            return makeStretchMode(window);
        case 2:
            return makeSizedPictureMode(window, false);
        case 3:
            return makePictureInPictureMode(window);
        case 4:
            return makeTiledMode(window);
        case 5:
            return makeSizedPictureMode(window, true);
        case 6:
            return makeOverlapMode(window);
        case 7:
            return makeSlideEffect(window);
        case 8:
            return makeRollDownEffect(window);
        case 9:
            return makeClippedPictureEffect(window, false);
        case 10:
            return makeClippedPictureEffect(window, true);
        case 11:
            return makeFadeEffect(window);
        default:
            return nullptr;
    }
}

}  // namespace quillo
