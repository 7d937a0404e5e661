// The saver's playlist: the options and lists read once at start, and the choice and loading of
// each next picture.
#include "FallbackPicture.h"
#include "LayoutGeometry.h"
#include "Paths.h"
#include "SaverWindow.h"
#include "SettingsStore.h"

namespace quillo {

namespace {

constexpr const char* kMissingPicture1 =
    "Please enter your own photos or sound files. You can easily add your own photos by "
    "selecting the settings button, then you can remove any listed pictures and add your own. "
    "File ";
constexpr const char* kMissingPicture2 =
    " does not exist in the location listed, so remove the listing or ";
constexpr const char* kMissingPicture3 = "re-add it.";

}  // namespace

void SaverWindow::LoadSaverSettings() {
    const SettingsStore::SaverSettings read = settings_.readSaverSettings(fileExists);
    const Options& options = read.options;
    Sound = options.sound;
    Seq = options.seq;
    Color = int(options.color);
    Picdis = options.picdis;
    Time = options.time;
    Height = options.height;
    Width = options.width;
    Fit = options.fit;
    Shuffle = options.shuffle;
    AllScreens = options.allScreens;

    PictureList = read.lists.pictures;
    SoundList = read.lists.sounds;
    Deck = PictureDeck(int(PictureList.size()));
    Sound = read.lists.sound;
    if (read.lists.missingPicture)
        setInfoText(kMissingPicture1 + *read.lists.missingPicture + kMissingPicture2 +
                    kMissingPicture3);
}

void SaverWindow::setInfoText(const std::string& text) {
    for (const auto& show : shows_) show->infoLabel().setText(text);
}

int SaverWindow::randomPicture(const Show& taker) {
    const int count = int(PictureList.size());
    std::vector<bool> taken(std::size_t(count), false);
    int left = count;
    for (const auto& [show, picture] : tickTaken_)
        if (show != &taker && !taken[std::size_t(picture)]) {
            taken[std::size_t(picture)] = true;
            --left;
        }
    // With fewer pictures than screens the pick is among all of them.
    if (left == 0) return random_.FreshRandom(count);
    int n = random_.FreshRandom(left);
    for (int p = 0;; ++p)
        if (!taken[std::size_t(p)] && n-- == 0) return p;
}

Picture SaverWindow::NextPicture(PictureUse use, BadPicture bad, const Show& taker) {
    const Size screen = taker.screen();
    const int count = int(PictureList.size());
    int p;
    if (Seq) {
        p = SequencePos + 1;
        if (p > count) p = 1;
        SequencePos = p;
    } else if (Shuffle) {
        if (Deck.size() != count) Deck = PictureDeck(count);  // a list set after the start
        p = Deck.deal(random_) + 1;
    } else {
        p = randomPicture(taker) + 1;
    }
    tickTaken_.emplace_back(&taker, p - 1);
    // The next tick most likely asks as the first show of this one did.
    if (!tickAsk_) tickAsk_ = TickAsk{use, screen};
    const PictureRequest request = pictureRequest(p - 1, use, screen);
    std::optional<LoadedPicture> loaded = ahead_.take(request);
    if (!loaded) loaded = decodePicture_(request);
    Picture picture;
    if (loaded->loadFailed) {
        // Anything that cannot be loaded shows as the fallback picture; the entry stays listed.
        picture = fallbackPicture_;
        if (Fit) picture = FitPicture(std::move(picture), screen);
    } else if (loaded->decodeFailed && bad == BadPicture::ShowFallback) {
        // One damaged photo must not stop the show: data that fail while decoding (a file cut
        // short, a picture over the decoding budget) show as the fallback picture too.
        picture = fallbackPicture_;
    } else {
        picture = std::move(loaded->picture);
    }
    // The sound is chosen once per tick, by the first show, however many screens there are.
    if (Sound && !SoundList.empty() && &taker == shows_.front().get())
        NextSoundFile = SoundList[std::size_t(random_.FreshRandom(int(SoundList.size())))];
    return picture;
}

PictureRequest SaverWindow::pictureRequest(int index, PictureUse use, Size screen) const {
    PictureRequest request;
    request.position = index;
    request.path = PictureList[std::size_t(index)];
    request.options.screenDepth = host_.screenDepth();  // and the default pixel budget
    // Under Fit a large JPEG need not be decoded finer than the screen it is shrunk to.
    if (Fit) {
        request.fitBox = fitBox(screen, displayModeRow(Picdis).fit);
        request.options.cover = request.fitBox;
    } else {
        request.options.clip = use.clip;
        request.options.sample = use.sample;
    }
    return request;
}

void SaverWindow::decodeNextAhead() {
    // Only a next picture known before its tick: the next in order, or the deck's next card
    // within its round. A pick at random is drawn at its tick.
    int next = -1;
    if (Seq)
        next = SequencePos < int(PictureList.size()) ? SequencePos : 0;
    else if (Shuffle && Deck.size() == int(PictureList.size()))
        next = Deck.peek();
    const TickAsk ask = tickAsk_.value_or(TickAsk{{}, shows_.front()->screen()});
    tickAsk_.reset();
    if (!DecodeAhead || next < 0 || PictureList.empty()) {
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
Picture SaverWindow::FitPicture(Picture picture, Size screen) {
    try {
        return shrinkToFit(picture, fitBox(screen, displayModeRow(Picdis).fit));
    } catch (const std::exception&) {
        // Image data that cannot be decoded fail in the display, as they do without Fit.
        return picture;
    }
}

}  // namespace quillo
