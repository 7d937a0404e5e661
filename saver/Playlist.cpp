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
        lblinfo.setText(kMissingPicture1 + *read.lists.missingPicture + kMissingPicture2 +
                        kMissingPicture3);
}

void SaverWindow::NextPicture(PictureUse use) {
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
    try {
        Picture picture = Image5.picture();
        if (!IsBitmapFile(path)) picture.makeEmptyJpeg();
        DecodeOptions options;  // the default pixel budget
        options.screenDepth = host_.screenDepth();
        // Under Fit a large JPEG need not be decoded finer than the screen it is shrunk to.
        if (Fit) {
            options.cover = fitBox(screen(), Picdis);
        } else {
            options.clip = use.clip;
            options.sample = use.sample;
        }
        picture.loadFromFile(path, options);
        Image5.setPicture(picture);
    } catch (const std::exception&) {
        // Anything that cannot be loaded shows as the fallback picture; the entry stays listed.
        Image5.setPicture(imagjunk.picture());
    }
    if (Fit) FitPicture();
    if (Sound && !SoundList.empty())
        NextSoundFile = SoundList[std::size_t(random_.FreshRandom(int(SoundList.size())))];
}

// Under Fit, a picture larger than the screen becomes the largest picture of its shape that the
// display mode shows wholly on the screen, averaged down from the decoded pixels, whatever size
// the decoder gave them.
void SaverWindow::FitPicture() {
    const Picture& picture = Image5.picture();
    const Size fit = fitSize(fitBox(screen(), Picdis), picture.width(), picture.height());
    if (fit.width == picture.width() && fit.height == picture.height()) return;
    Bitmap shrunk;
    try {
        shrunk = shrinkBitmap(picture.bitmap(), fit.width, fit.height);
    } catch (const std::exception&) {
        // Image data that cannot be decoded fail in the display, as they do without Fit.
        return;
    }
    Image5.setPicture(Picture(std::move(shrunk)));
}

}  // namespace quillo
