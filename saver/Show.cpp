#include "Show.h"

#include "BackColors.h"
#include "Caption.h"
#include "FallbackPicture.h"
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

Show::Show(SaverWindow& saver, Host& host, const ScreenInfo& screen)
    : saver_(saver),
      host_(host),
      screenInfo_(screen),
      form_(host, {screen.area.width(), screen.area.height()}),
      infoLabel_(form_.addLabel(Rect::fromSize(60, 223, 469, 106))) {
    infoLabel_.setText(kNoPicturesText);
    infoLabel_.font = Font{"MS Sans Serif", 16, true};
    infoLabel_.color = clBlack;
}

Show::~Show() = default;

void Show::openWindow(const std::string& title) {
    form_.setWindow(host_.openWindow(title, form_.framebuffer(), screenInfo_.id));
    windowOpen_ = true;
    form_.invalidate();
}

void Show::moveTo(const ScreenInfo& screen) {
    const bool same = screen.id == screenInfo_.id && screen.area == screenInfo_.area &&
                      screen.scale == screenInfo_.scale;
    screenInfo_ = screen;
    if (same) return;  // only which screen is the primary changed: the show goes on as it is
    // The mode's frames end and it lets go of its pictures, made for the old size: its next
    // tick takes pictures for the new one.
    release();
    form_.resize({screen.area.width(), screen.area.height()});
    if (windowOpen_) host_.moveWindow(form_.window(), screen.id);
}

void Show::close() {
    release();
    if (windowOpen_) host_.closeWindow(form_.window());
    windowOpen_ = false;
}

SaverRandom& Show::random() {
    return saver_.random();
}

Size Show::customSize() const {
    return {saver_.options().width, saver_.options().height};
}

std::uint32_t Show::delayMs() const {
    return std::uint32_t(saver_.options().time);
}

LoadedPicture Show::nextShapedPicture(PictureUse use, BadPicture bad) {
    return saver_.loadNextPicture(use, bad, *this);
}

std::vector<PictureUse> Show::nextUses() const {
    return mode_ ? mode_->nextUses() : std::vector<PictureUse>{};
}

void Show::decodeAheadAgain() {
    saver_.decodeNextAhead();
}

void Show::showCaption(const std::string& text) {
    const int height = captionHeight(screen());
    if (height == 0) {
        form_.setOverlay({}, {});
        return;
    }
    // Bottom left, half its height from both edges, as wide as the screen allows.
    const int margin = height / 2;
    form_.setOverlay(host_.renderCaption(text, height, screen().width - 2 * margin),
                     {margin, screen().height - margin - height});
}

LoadedPicture Show::nextScreenPicture(PictureUse use) {
    LoadedPicture loaded = nextShapedPicture(use);
    if (loaded.loadFailed || loaded.decodeFailed) {
        loaded.picture = Picture(fallbackCard(screen(), form_.color()));
        loaded.natural = screen();
    }
    return loaded;
}

Color Show::tickColour() const {
    const ColorSet& set = colorSet(int(saver_.options().color));
    return colorForCount(set[0], set[1], set[2], set[3], colourCount_);
}

void Show::changeColour() {
    form_.setColor(tickColour());
    if (displayModeRow(saver_.options().picdis).drawsOnSurface && form_.repaintPending())
        form_.repaint();
}

Point Show::randomPlacement(int pictureWidth, int pictureHeight, bool fullSizeTakesQuarter) {
    return RandomPlacement(screen(), pictureWidth, pictureHeight, random(), fullSizeTakesQuarter);
}

void Show::showImage(ImageControl& control) {
    ShortPause();
    control.picture().bitmap();
    control.setVisible(true);
}

void Show::countColour() {
    if (colourCount_ > 20) colourCount_ = 0;
    ++colourCount_;
}

void Show::beginTick() {
    due_.reset();
    if (mode_) due_ = mode_->begin(host_.nowNs());
}

void Show::advance(std::uint64_t nowNs) {
    if (!mode_ || !due_) return;
    try {
        due_ = mode_->advance(nowNs);
    } catch (...) {
        due_.reset();
        throw;
    }
}

bool Show::holdsNotices() const {
    return due_ && mode_ && displayModeRow(saver_.options().picdis).holdsNotices;
}

void Show::release() {
    due_.reset();
    form_.setOverlay({}, {});
    if (mode_) mode_->release();
}

}  // namespace quillo
