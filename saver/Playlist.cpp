// The saver's playlist: the options and lists read once at start, and the choice and loading of
// each next picture.
#include "FallbackPicture.h"
#include "IniFile.h"
#include "LayoutGeometry.h"
#include "MediaSlots.h"
#include "Options.h"
#include "Paths.h"
#include "SaverWindow.h"
#include "SettingsFile.h"
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

// A value as long as a read can return may have been cut, so its file cannot be found; one such
// slot must not empty the whole show. It is passed over like a free slot.
bool mayBeCut(const std::string& value) {
    return value.size() >= IniFile::kMaxValueLength;
}

}  // namespace

void SaverWindow::LoadSaverSettings() {
    IniFile ini(SettingsFile);
    ini.writeBool("Options", "Status", true);

    const Options options = ReadOptions(ini);
    Sound = options.sound;
    Seq = options.seq;
    Color = options.color;
    Picdis = options.picdis;
    Time = options.time;
    Height = options.height;
    Width = options.width;
    Fit = options.fit;

    PictureList.clear();
    SoundList.clear();
    for (int n = 1; n <= kSlotCount; ++n) {
        const std::string picture = ini.readString(kPictureSection, slotKey(n), " ");
        if (!isFreeMarker(picture) && !mayBeCut(picture)) {
            if (fileExists(picture)) {
                PictureList.push_back(picture);
            } else {
                setInfoText(kMissingPicture1 + picture + kMissingPicture2 + kMissingPicture3);
                PictureList.clear();
                n = kSlotCount;  // this pass still reads its sound slot
            }
        }
        if (Sound) {
            const std::string sound = ini.readString(kSoundSection, slotKey(n), " ");
            if (isFreeMarker(sound) || mayBeCut(sound)) continue;
            if (fileExists(sound)) {
                SoundList.push_back(sound);
            } else {
                // Sound goes off for the run, but the pictures of later slots are still read:
                // one deleted song must not cut the show short.
                SoundList.clear();
                Sound = false;
            }
        }
    }
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
