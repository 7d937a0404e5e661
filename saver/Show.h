#pragma once
// A show: one window of the saver with its display mode, its background colour counter and the
// mode's pictures. The saver's tick begins a mode's work on each show; the event loop then
// advances the show frame by frame while the mode has frames to come. Several shows run side by
// side in one loop, each on its own form.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "DisplayMode.h"
#include "Window.h"

namespace quillo {

class SaverRandom;
class SaverWindow;

// What a display mode does with a picture whose data fail while decoding: show the fallback
// picture in its place, or skip it (the mode draws nothing for that tick).
enum class BadPicture { ShowFallback, Skip };

class Show {
public:
    // A show for that screen, its form of the screen's size; no window yet.
    Show(SaverWindow& saver, Host& host, const ScreenInfo& screen);
    ~Show();
    Show(const Show&) = delete;
    Show& operator=(const Show&) = delete;

    Form& form() { return form_; }
    const Form& form() const { return form_; }
    Host& host() { return host_; }
    Size screen() const { return {form_.width(), form_.height()}; }
    // The screen the show covers.
    const ScreenInfo& screenInfo() const { return screenInfo_; }
    // Opens the show's window over its screen.
    void openWindow(const std::string& title);
    // Covers another screen (or the same one laid out anew): the form takes its size, and the
    // mode lets go of its frames and pictures.
    void moveTo(const ScreenInfo& screen);
    // Ends the show's frames and closes its window.
    void close();
    SaverRandom& random();
    // The custom picture size of mode 5 (keys Width and Height).
    Size customSize() const;
    // The delay between ticks (key Time), as the display timer takes it.
    std::uint32_t delayMs() const;
    // The caption over the show from now on, in place of the one before; none on a screen too
    // small for a readable one.
    void showCaption(const std::string& text);
    // The text shown, on white, when there is nothing to show.
    Label& infoLabel() { return infoLabel_; }

    // The mode this show runs from now on (none: the tick leaves the window alone).
    void setMode(std::unique_ptr<DisplayMode> mode) { mode_ = std::move(mode); }

    // The playlist's next picture, loaded for this show and shaped as `use` says; a picture that
    // cannot be loaded comes as the fallback picture, and with ShowFallback so does one whose
    // data fail to decode (shaped likewise).
    LoadedPicture nextShapedPicture(PictureUse use, BadPicture bad = BadPicture::ShowFallback);
    Picture nextPicture(PictureUse use = {}, BadPicture bad = BadPicture::ShowFallback) {
        return nextShapedPicture(use, bad).picture;
    }
    // What the mode's next tick asks of the playlist (none without a mode).
    std::vector<PictureUse> nextUses() const;
    // Decodes ahead what the modes ask for now: for a mode whose next picture was not to be
    // decoded ahead yet, once it can be.
    void decodeAheadAgain();
    // nextPicture for a mode that covers the whole screen with its picture: the fallback comes
    // as a picture of the screen's size, the card centred on the background colour, so that a
    // damaged file covers the screen as a photo would (not stretched, and not as a small square).
    LoadedPicture nextScreenPicture(PictureUse use = {});
    // The colour of the configured set for this show's counter.
    Color tickColour() const;
    // Sets the background to the colour of the configured set for this show's counter. A
    // different colour repaints the window, which erases what was drawn directly: for a mode
    // that draws on the surface the repaint is served at once, so that its picture drawn next
    // stays on the screen; for the others at the next message handling.
    void changeColour();
    // A place for a picture of that size (see RandomPlacement in LayoutGeometry.h).
    Point randomPlacement(int pictureWidth, int pictureHeight, bool fullSizeTakesQuarter = false);
    // ShortPause, then shows the control, its picture decoded first.
    void showImage(ImageControl& control);

    // The tick: counts the colour counter (1 to 21, round and round), and begins the mode.
    void countColour();
    int colourCount() const { return colourCount_; }
    // A show that joins a running saver keeps the others' colour rhythm.
    void setColourCount(int count) { colourCount_ = count; }
    void beginTick();
    // When the mode's next frame is due; nothing when it has none to come.
    std::optional<std::uint64_t> nextFrameDue() const { return due_; }
    // Draws the frame due at now. A failing frame ends the mode's frames for this tick.
    void advance(std::uint64_t nowNs);
    // True while the mode's frames run, when its row holds the sound's notices back.
    bool holdsNotices() const;
    // Ends any frames to come and frees what the mode keeps; the saver's shutdown calls it.
    void release();

private:
    SaverWindow& saver_;
    Host& host_;
    ScreenInfo screenInfo_;
    Form form_;
    bool windowOpen_ = false;
    Label& infoLabel_;
    std::unique_ptr<DisplayMode> mode_;
    std::optional<std::uint64_t> due_;
    int colourCount_ = 0;
};

}  // namespace quillo
