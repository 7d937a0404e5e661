#pragma once
// One display mode: what a show does for the configured mode at each tick. A mode is a small
// state machine: the tick begins its work, and a mode that animates then draws one frame each
// time the event loop comes back to it, saying when its next frame is due. No mode sleeps,
// handles messages or waits: input is handled between any two frames. Each mode lives in a file
// of its own and owns its pictures and controls; the factory in DisplayModes.cpp maps the mode's
// setting to it, so a new mode never touches the tick. What the show must know of a mode beyond
// its drawing is in its row of the table of display modes (DisplayModeTable.h).
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "DisplayModeTable.h"
#include "Geometry.h"
#include "PictureAhead.h"

namespace quillo {

class Show;

// The time a mode's next frame is due, on the host's clock in nanoseconds; nothing when the
// mode has no frame to come.
using FrameDue = std::optional<std::uint64_t>;

// What a display mode shows of the next picture, so that a large one need not be decoded
// whole: its top-left part of `clip` (the fade; a bitmap too), its stretch to `sample` (a tile),
// or the smallest of a JPEG's decoding scales that covers `cover` (a stretch, pan and zoom); not
// under Fit, which shrinks the whole picture first, except in a mode that Fit does not change.
// Whatever it decodes to, only `shape` is kept of it.
struct PictureUse {
    Size clip{};
    Size sample{};
    Size cover{};
    PictureShape shape{};
    // Not decoded ahead for now (a mode holding two pictures in a cross-fade would hold a third):
    // the picture keeps its place among the next ones, and the mode asks again once it can.
    bool notAheadYet = false;
};

class DisplayMode {
public:
    virtual ~DisplayMode() = default;
    // The tick's work; returns when the first frame of an animation is due.
    virtual FrameDue begin(std::uint64_t nowNs) = 0;
    // Draws the frame due at now; returns when the next one is due, nothing after the last.
    virtual FrameDue advance(std::uint64_t nowNs) {
        (void)nowNs;
        return std::nullopt;
    }
    // Frees what the mode keeps from tick to tick; the saver's shutdown calls it.
    virtual void release() {}
    // What its next tick asks of the playlist, a use per picture in the order it takes them, so
    // that they are decoded ahead as they will be asked for.
    virtual std::vector<PictureUse> nextUses() const { return {PictureUse{}}; }
};

// The mode for a display mode setting; nullptr for a value that names no mode.
std::unique_ptr<DisplayMode> makeDisplayMode(DisplayModeSetting mode, Show& show);

// The modes, one factory each.
std::unique_ptr<DisplayMode> makeStretchMode(Show& show);
std::unique_ptr<DisplayMode> makeSizedPictureMode(Show& show, bool customSize);
std::unique_ptr<DisplayMode> makePictureInPictureMode(Show& show);
std::unique_ptr<DisplayMode> makeTiledMode(Show& show);
std::unique_ptr<DisplayMode> makeOverlapMode(Show& show);
std::unique_ptr<DisplayMode> makeSlideEffect(Show& show);
std::unique_ptr<DisplayMode> makeRollDownEffect(Show& show);
// Mode 9 (rounded corners) or, with circle, mode 10 (circle frame).
std::unique_ptr<DisplayMode> makeClippedPictureEffect(Show& show, bool circle);
std::unique_ptr<DisplayMode> makeFadeEffect(Show& show);
std::unique_ptr<DisplayMode> makePanZoomMode(Show& show);

}  // namespace quillo
