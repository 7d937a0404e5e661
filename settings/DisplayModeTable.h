#pragma once
// The display modes, one row each: the value stored as "Picdis", the caption of its button in the
// dialog, and what the saver's show must know of it beyond its drawing. The saver's factories
// (saver/DisplayModes.cpp) are keyed by the same values and checked against this table when they
// compile, so a new mode is one row here, one factory there and a file of its own.
#include <array>
#include <cstdint>
#include <string_view>

namespace quillo {

// "Picdis": the display mode.
enum class DisplayModeSetting : std::int32_t {
    Stretched = 1,
    NaturalSize,
    PictureInPicture,
    Tiled,
    CustomSize,
    Overlapping,
    Slide,
    RollDown,
    RoundedCorners,
    CircleFrame,
    Fade,
    PanAndZoom,
};

// The box a picture larger than the screen is shrunk to under Fit, so that the mode shows it
// whole (fitBox in saver/LayoutGeometry.h works it out).
enum class FitRule {
    Screen,              // the screen itself
    ScreenLessOne,       // one column and one row less: a placement sends a full-size one off
    RolledRowsOnScreen,  // as high as the rows of the roll-down land on the screen
    NotApplied,          // Fit changes nothing: the mode always scales its picture to cover
};

struct DisplayModeRow {
    DisplayModeSetting setting;
    std::string_view caption;  // its button in "Picture Displays"
    bool buttonShown;          // a hidden mode is kept when a file holds it, never offered
    FitRule fit;
    // It draws straight onto the window at its tick: the new background colour is painted
    // first, or the repaint would erase the picture.
    bool drawsOnSurface;
    // No tick comes while its frames run: the next comes the delay after the last frame. A mode
    // that moves all the time keeps the timer running, its ticks every delay.
    bool pausesTimer;
    // The sound's notices wait until its frames are over.
    bool holdsNotices;
};

namespace display_modes {
using S = DisplayModeSetting;
using F = FitRule;
// clang-format off
inline constexpr std::array kRows = {
    //             setting               caption                                   shown  fit                    surface pauses holds
    DisplayModeRow{S::Stretched,         "Stretch Picture Full Screen",            true,  F::Screen,             false,  true,  false},
    DisplayModeRow{S::NaturalSize,       "Default Picture Size (Clearest Image)",  true,  F::Screen,             false,  true,  false},
    DisplayModeRow{S::PictureInPicture,  "Picture in a Picture",                   false, F::Screen,             false,  true,  false},
    DisplayModeRow{S::Tiled,             "Tiled Pictures",                         true,  F::Screen,             false,  true,  false},
    DisplayModeRow{S::CustomSize,        "Customize Picture Size Below ",          true,  F::Screen,             false,  true,  false},
    DisplayModeRow{S::Overlapping,       "Picture Overlapping",                    true,  F::Screen,             true,   true,  false},
    DisplayModeRow{S::Slide,             "Slide",                                  true,  F::Screen,             false,  true,  false},
    DisplayModeRow{S::RollDown,          "Roll It Down",                           true,  F::RolledRowsOnScreen, false,  true,  false},
    DisplayModeRow{S::RoundedCorners,    "Rounded Corners",                        true,  F::Screen,             true,   true,  false},
    DisplayModeRow{S::CircleFrame,       "Circle Frame",                           true,  F::Screen,             true,   true,  false},
    DisplayModeRow{S::Fade,              "Fade / Blend",                           true,  F::ScreenLessOne,      true,   true,  true},
    DisplayModeRow{S::PanAndZoom,        "Pan and zoom",                           true,  F::NotApplied,         false,  false, false},
};
// clang-format on

constexpr bool numberedFromOne() {
    for (std::size_t i = 0; i < kRows.size(); ++i)
        if (std::int32_t(kRows[i].setting) != std::int32_t(i) + 1) return false;
    return true;
}
static_assert(numberedFromOne(), "row n holds the mode stored as n");
}  // namespace display_modes

// Every mode, in the order of their stored values 1, 2, ...
inline constexpr const auto& kDisplayModes = display_modes::kRows;

// True when a stored value names a mode.
constexpr bool isDisplayMode(std::int32_t stored) {
    return stored >= 1 && stored <= std::int32_t(kDisplayModes.size());
}

constexpr const DisplayModeRow& displayModeRow(DisplayModeSetting mode) {
    return kDisplayModes[std::size_t(std::int32_t(mode) - 1)];
}

}  // namespace quillo
