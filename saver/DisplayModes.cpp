#include "DisplayMode.h"

namespace quillo {

std::unique_ptr<DisplayMode> makeDisplayMode(int picdis, Show& show) {
    switch (picdis) {
        case 1:
            return makeStretchMode(show);
        case 2:
            return makeSizedPictureMode(show, false);
        case 3:
            return makePictureInPictureMode(show);
        case 4:
            return makeTiledMode(show);
        case 5:
            return makeSizedPictureMode(show, true);
        case 6:
            return makeOverlapMode(show);
        case 7:
            return makeSlideEffect(show);
        case 8:
            return makeRollDownEffect(show);
        case 9:
            return makeClippedPictureEffect(show, false);
        case 10:
            return makeClippedPictureEffect(show, true);
        case 11:
            return makeFadeEffect(show);
        default:
            return nullptr;
    }
}

}  // namespace quillo
