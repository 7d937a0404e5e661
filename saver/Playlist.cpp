// The saver's playlist: the options and lists read once at start, and the choice and loading of
// each next picture.
#include "FallbackPicture.h"
#include "LayoutGeometry.h"
#include "Paths.h"
#include "SaverWindow.h"
#include "SettingsStore.h"
#include "Shrink.h"

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
    Picdis = int(options.picdis);
    Time = options.time;
    Height = options.height;
    Width = options.width;
    Fit = options.fit;
    Shuffle = options.shuffle;

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

Picture SaverWindow::NextPicture(PictureUse use, BadPicture bad, Size screen) {
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
        p = random_.FreshRandom(count) + 1;
    }
    const std::string& path = PictureList[std::size_t(p - 1)];
    Picture picture;
    try {
        DecodeOptions options;  // the default pixel budget
        options.screenDepth = host_.screenDepth();
        // Under Fit a large JPEG need not be decoded finer than the screen it is shrunk to.
        if (Fit) {
            options.cover = fitBox(screen, Picdis);
        } else {
            options.clip = use.clip;
            options.sample = use.sample;
        }
        picture.loadFromFile(path, options);
    } catch (const std::exception&) {
        // Anything that cannot be loaded shows as the fallback picture; the entry stays listed.
        picture = fallbackPicture_;
    }
    if (Fit) picture = FitPicture(std::move(picture), screen);
    if (bad == BadPicture::ShowFallback) {
        // One damaged photo must not stop the show: data that fail while decoding (a file cut
        // short, a picture over the decoding budget) show as the fallback picture too.
        try {
            picture.bitmap();
        } catch (const std::exception&) {
            picture = fallbackPicture_;
        }
    }
    if (Sound && !SoundList.empty())
        NextSoundFile = SoundList[std::size_t(random_.FreshRandom(int(SoundList.size())))];
    return picture;
}

// Under Fit, a picture larger than the screen becomes the largest picture of its shape that the
// display mode shows wholly on the screen, averaged down from the decoded pixels, whatever size
// the decoder gave them.
Picture SaverWindow::FitPicture(Picture picture, Size screen) {
    const Size fit = fitSize(fitBox(screen, Picdis), picture.width(), picture.height());
    if (fit.width == picture.width() && fit.height == picture.height()) return picture;
    try {
        return Picture(shrinkBitmap(picture.bitmap(), fit.width, fit.height));
    } catch (const std::exception&) {
        // Image data that cannot be decoded fail in the display, as they do without Fit.
        return picture;
    }
}

}  // namespace quillo
