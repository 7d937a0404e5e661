// The saver's pictures: the playlist's pick loaded for a show, and the next pick decoded ahead
// during the delay when it is known.
#include <algorithm>

#include "Caption.h"
#include "FallbackPicture.h"
#include "LayoutGeometry.h"
#include "SaverWindow.h"

namespace quillo {

namespace {

// A decode's pixel budget in screens of the show that asks for it (the default budget above).
constexpr std::uint64_t kScreensBudget = 16;
constexpr std::uint64_t kSmallestPixelBudget = std::uint64_t(32) << 20;

}  // namespace

LoadedPicture SaverWindow::loadNextPicture(PictureUse use, BadPicture bad, Show& taker) {
    const Size screen = taker.screen();
    const int index = playlist_.pick(taker, random_);
    const PictureRequest request = pictureRequest(index, use, screen);
    std::optional<LoadedPicture> loaded = ahead_.take(request);
    if (!loaded) loaded = decodePicture_(request);
    const std::string caption = options_.captions ? captionFor(request, *loaded) : std::string();
    // Anything that cannot be loaded shows as the fallback picture; the entry stays listed. One
    // damaged photo must not stop the show either: data that fail while decoding (a file cut
    // short, a picture over the decoding budget) show as the fallback picture too.
    if (loaded->loadFailed || (loaded->decodeFailed && bad == BadPicture::ShowFallback)) {
        LoadedPicture card;
        card.loadFailed = loaded->loadFailed;
        card.decodeFailed = loaded->decodeFailed;
        card.picture = fallbackPicture_;
        if (loaded->loadFailed && fitApplies()) card.picture = fitPicture(card.picture, screen);
        shapePicture(card, request.shape);
        loaded = std::move(card);
    }
    // The caption goes with the picture shown, the fallback card's naming the damaged file; a
    // picture skipped leaves the one before captioned.
    if (options_.captions && !(loaded->decodeFailed && bad == BadPicture::Skip))
        taker.showCaption(caption);
    // The sound is chosen once per tick, by the first show, however many screens there are.
    if (&taker == shows_.front().get()) sound_.pickNext(random_);
    return std::move(*loaded);
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
    request.options.screenDepth = host_.screenDepth();
    // However large a file says it is, its decode stays within a few screens' worth of pixels:
    // a larger JPEG comes at a decoding scale, a larger bitmap not at all.
    // A small screen still takes an ordinary photo's bitmap: the budget never falls below 32 MP.
    request.options.pixelBudget =
        std::clamp(kScreensBudget * std::uint64_t(std::max(screen.width, 1)) *
                       std::uint64_t(std::max(screen.height, 1)),
                   kSmallestPixelBudget, kDefaultPixelBudget);
    // Under Fit a large JPEG need not be decoded finer than the screen it is shrunk to.
    if (fitApplies()) {
        request.fitBox = fitBox(screen, displayModeRow(options_.picdis).fit);
        request.options.cover = request.fitBox;
    } else {
        request.options.clip = use.clip;
        request.options.sample = use.sample;
        request.options.cover = use.cover;
    }
    request.shape = use.shape;
    return request;
}

bool SaverWindow::fitApplies() const {
    return options_.fit && displayModeRow(options_.picdis).fit != FitRule::NotApplied;
}

void SaverWindow::decodeNextAhead() {
    std::vector<PictureRequest> requests;
    if (parameters_.decodeAhead) {
        // A pick at random is drawn at its tick: nothing is decoded ahead from there on.
        int later = 0;
        for (const auto& show : shows_)
            for (const PictureUse& use : show->nextUses()) {
                const int next = playlist_.nextKnown(later++);
                if (next < 0) break;
                if (use.notAheadYet) continue;
                requests.push_back(pictureRequest(next, use, show->screen()));
            }
    }
    if (requests.empty())
        ahead_.cancel();
    else
        ahead_.start(std::move(requests));
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
