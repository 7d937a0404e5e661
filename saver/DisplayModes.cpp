// Each display mode's factory, keyed by its setting: the saver's column of the table of display
// modes (DisplayModeTable.h), which the compiler checks row for row.
#include <array>

#include "DisplayMode.h"

namespace quillo {

namespace {

using S = DisplayModeSetting;

struct ModeFactory {
    DisplayModeSetting setting;
    std::unique_ptr<DisplayMode> (*make)(Show&);
};

// clang-format off
constexpr std::array kFactories = {
    ModeFactory{S::Stretched,        makeStretchMode},
    ModeFactory{S::NaturalSize,      [](Show& s) { return makeSizedPictureMode(s, false); }},
    ModeFactory{S::PictureInPicture, makePictureInPictureMode},
    ModeFactory{S::Tiled,            makeTiledMode},
    ModeFactory{S::CustomSize,       [](Show& s) { return makeSizedPictureMode(s, true); }},
    ModeFactory{S::Overlapping,      makeOverlapMode},
    ModeFactory{S::Slide,            makeSlideEffect},
    ModeFactory{S::RollDown,         makeRollDownEffect},
    ModeFactory{S::RoundedCorners,   [](Show& s) { return makeClippedPictureEffect(s, false); }},
    ModeFactory{S::CircleFrame,      [](Show& s) { return makeClippedPictureEffect(s, true); }},
    ModeFactory{S::Fade,             makeFadeEffect},
    ModeFactory{S::PanAndZoom,       makePanZoomMode},
};
// clang-format on

// The factories' addresses are not constants under the sanitizers, so only the settings are
// compared here; every row names its factory.
constexpr bool everyRowHasItsFactory() {
    if (kFactories.size() != kDisplayModes.size()) return false;
    for (std::size_t i = 0; i < kFactories.size(); ++i)
        if (kFactories[i].setting != kDisplayModes[i].setting) return false;
    return true;
}
static_assert(everyRowHasItsFactory(), "each row of the table of display modes needs a factory");

}  // namespace

std::unique_ptr<DisplayMode> makeDisplayMode(DisplayModeSetting mode, Show& show) {
    if (!isDisplayMode(std::int32_t(mode))) return nullptr;
    return kFactories[std::size_t(std::int32_t(mode) - 1)].make(show);
}

}  // namespace quillo
