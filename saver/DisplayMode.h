#pragma once
// One display mode: the work the tick does for the configured mode. Each mode lives in a file of
// its own; the factory in DisplayModes.cpp maps the mode number to it, so a new mode never
// touches the tick.
#include <memory>

namespace quillo {

class SaverWindow;

class DisplayMode {
public:
    virtual ~DisplayMode() = default;
    // The mode's work for one tick.
    virtual void run() = 0;
    // Frees what the mode keeps from tick to tick; the saver's shutdown calls it.
    virtual void release() {}
};

// The mode for a display mode number 1 to 11; nullptr for a number without a mode.
std::unique_ptr<DisplayMode> makeDisplayMode(int picdis, SaverWindow& window);

// The modes, one factory each.
std::unique_ptr<DisplayMode> makeStretchMode(SaverWindow& window);
std::unique_ptr<DisplayMode> makeSizedPictureMode(SaverWindow& window, bool customSize);
std::unique_ptr<DisplayMode> makePictureInPictureMode(SaverWindow& window);
std::unique_ptr<DisplayMode> makeTiledMode(SaverWindow& window);
std::unique_ptr<DisplayMode> makeOverlapMode(SaverWindow& window);
std::unique_ptr<DisplayMode> makeSlideEffect(SaverWindow& window);
std::unique_ptr<DisplayMode> makeRollDownEffect(SaverWindow& window);
// Mode 9 (rounded corners) or, with circle, mode 10 (circle frame).
std::unique_ptr<DisplayMode> makeClippedPictureEffect(SaverWindow& window, bool circle);
std::unique_ptr<DisplayMode> makeFadeEffect(SaverWindow& window);

}  // namespace quillo
