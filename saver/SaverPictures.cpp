// The saver's pictures: the playlist's pick loaded for a show, and the next pick decoded ahead
// during the delay when it is known.
#include "Caption.h"
#include "FallbackPicture.h"
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

Picture SaverWindow::loadNextPicture(PictureUse use, BadPicture bad, Show& taker) {
    const Size screen = taker.screen();
    const int index = playlist_.pick(taker, random_);
    // The next tick most likely asks as the first show of this one did.
    if (!tickAsk_) tickAsk_ = TickAsk{use, screen};
    const PictureRequest request = pictureRequest(index, use, screen);
    std::optional<LoadedPicture> loaded = ahead_.take(request);
    if (!loaded) loaded = decodePicture_(request);
    const std::string caption = options_.captions ? captionFor(request, *loaded) : std::string();
    Picture picture;
    if (loaded->loadFailed) {
        // Anything that cannot be loaded shows as the fallback picture; the entry stays listed.
        picture = fallbackPicture_;
        if (fitApplies()) picture = fitPicture(std::move(picture), screen);
    } else if (loaded->decodeFailed && bad == BadPicture::ShowFallback) {
        // One damaged photo must not stop the show: data that fail while decoding (a file cut
        // short, a picture over the decoding budget) show as the fallback picture too.
        picture = fallbackPicture_;
    } else {
        picture = std::move(loaded->picture);
    }
    // The caption goes with the picture shown, the fallback card's naming the damaged file; a
    // picture skipped leaves the one before captioned.
    if (options_.captions && !(loaded->decodeFailed && bad == BadPicture::Skip))
        taker.showCaption(caption);
    // The sound is chosen once per tick, by the first show, however many screens there are.
    if (&taker == shows_.front().get()) sound_.pickNext(random_);
    return picture;
}

std::string SaverWindow::captionFor(const PictureRequest& request,
                                    const LoadedPicture& loaded) const {
    // The Exif date came with the header; the file's own date only when there is none.
    const std::optional<ExifDateTime>& taken = loaded.picture.takenAt();
    std::optional<std::int64_t> modified;
    if (!taken) {
        const FileIdentity file = loaded.file.exists ? loaded.file : fileIdentity(request.path);
        if (file.exists) modified = file.modifiedNs;
    }
    return captionText(request.path, taken, modified);
}

PictureRequest SaverWindow::pictureRequest(int index, PictureUse use, Size screen) const {
    PictureRequest request;
    request.position = index;
    request.path = playlist_.path(index);
    request.options.screenDepth = host_.screenDepth();  // and the default pixel budget
    // Under Fit a large JPEG need not be decoded finer than the screen it is shrunk to.
    if (fitApplies()) {
        request.fitBox = fitBox(screen, displayModeRow(options_.picdis).fit);
        request.options.cover = request.fitBox;
    } else {
        request.options.clip = use.clip;
        request.options.sample = use.sample;
        request.options.cover = use.cover;
    }
    return request;
}

bool SaverWindow::fitApplies() const {
    return options_.fit && displayModeRow(options_.picdis).fit != FitRule::NotApplied;
}

void SaverWindow::decodeNextAhead() {
    // A pick at random is drawn at its tick: nothing to decode ahead.
    const int next = playlist_.nextKnown();
    const TickAsk ask = tickAsk_.value_or(TickAsk{{}, shows_.front()->screen()});
    tickAsk_.reset();
    if (!parameters_.decodeAhead || next < 0) {
        ahead_.cancel();
        return;
    }
    ahead_.start(pictureRequest(next, ask.use, ask.screen));
}

void SaverWindow::waitForPictureAhead() {
    ahead_.waitUntilIdle();
}

// Under Fit, a picture larger than the screen becomes the largest picture of its shape that the
// display mode shows wholly on the screen, whatever size the decoder gave it.
Picture SaverWindow::fitPicture(Picture picture, Size screen) {
    try {
        return shrinkToFit(picture, fitBox(screen, displayModeRow(options_.picdis).fit));
    } catch (const std::exception&) {
        // Image data that cannot be decoded fail in the display, as they do without Fit.
        return picture;
    }
}

}  // namespace quillo
