// The settings dialog: start-up, loading and saving the options, scroll bars, the sound list and
// the window itself.
#include <sys/stat.h>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <chrono>
#include <filesystem>

#include "DialogTestSupport.h"
#include "IniStore.h"

namespace quillo::test {
namespace {

std::string text(const QLabel* label) {
    return label->text().toStdString();
}

// A section whose every slot is free (a missing slot would be listed as a blank line).
std::string freeSlots(const char* section) {
    std::string s = "[" + std::string(section) + "]\n";
    for (int n = 1; n <= kSlotCount; ++n) s += "Name" + std::to_string(n) + "=Null\n";
    return s;
}

TEST_F(DialogTest, FirstStartCreatesTheFileAndShowsTheDefaults) {
    services.screenInfo.depth = 16;
    SettingsDialog& f = open();

    EXPECT_TRUE(std::filesystem::exists(iniPath()));
    EXPECT_EQ(option("Seq"), "0");  // the file's default, though the dialog shows "in order"
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
    EXPECT_TRUE(f.radio(Role::SoundOff)->isChecked());
    EXPECT_TRUE(f.radio(Role::InOrder)->isChecked());
    EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::Fade)->isChecked());
    EXPECT_TRUE(f.radio(Role::AlwaysBlack)->isChecked());
    EXPECT_EQ(text(f.label(Role::DelayValue)), "2");
    EXPECT_EQ(text(f.label(Role::WidthValue)), "25");
    EXPECT_EQ(text(f.label(Role::HeightValue)), "25");
    EXPECT_EQ(f.scrollBar(Role::DelayBar)->value(), 1);
    EXPECT_EQ(f.scrollBar(Role::WidthBar)->value(), 25);
    EXPECT_EQ(f.scrollBar(Role::WidthBar)->maximum(), 1280);
    EXPECT_EQ(f.scrollBar(Role::HeightBar)->maximum(), 1024);
    EXPECT_EQ(f.list(Role::PictureList)->count(), 0);
    EXPECT_EQ(f.list(Role::SoundList)->count(), 0);
    EXPECT_EQ(text(f.label(Role::PictureCount)), "0");
    EXPECT_TRUE(f.thumbnail()->picture().empty());
    EXPECT_FALSE(f.radio(Role::SoundOn)->isEnabled());
    EXPECT_FALSE(f.radio(Role::SoundOff)->isEnabled());
    EXPECT_EQ(f.defaultPictureFolder(), dir / "home");

    // The window and a sample of its controls.
    EXPECT_EQ(f.windowTitle().toStdString(), "Quillo Screensaver Creator Settings");
    EXPECT_EQ(f.size(), QSize(607, 518));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(222, 224, 214));
    EXPECT_EQ(f.button(Role::OkSave)->geometry(), QRect(479, 487, 109, 21));
    EXPECT_EQ(f.thumbnail()->parentWidget(), f.group(Role::PictureOptions));
    EXPECT_EQ(f.thumbnail()->geometry(), QRect(152, 29, 126, 88));
    EXPECT_EQ(f.group(Role::CustomSize)->parentWidget(), f.group(Role::PictureDisplays));
    EXPECT_EQ(f.scrollBar(Role::HeightBar)->geometry(), QRect(138, 34, 68, 13));
    EXPECT_EQ(f.displayModeButton(DisplayModeSetting::PictureInPicture)->text().toStdString(),
              "Picture in a Picture");
    EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::PictureInPicture)->isHidden());
    EXPECT_EQ(f.list(Role::SoundList)->toolTip().toStdString(),
              "Double click to play the sound file");
    EXPECT_EQ(f.scrollBar(Role::WidthBar)->toolTip().toStdString(),
              "Set picture width when customizing");
    EXPECT_EQ(f.group(Role::Colors)->title().toStdString(), "Background Colors ");
    EXPECT_TRUE(f.group(Role::PictureOptions)->font().bold());
    EXPECT_TRUE(f.label(Role::DelayValue)->font().underline());
    EXPECT_EQ(f.button(Role::OkSave)->font().family().toStdString(), "Liberation Sans");
    EXPECT_EQ(f.button(Role::OkSave)->font().pixelSize(), 11);
    // Radio buttons of different parents are independent.
    f.radio(Role::GreyColors)->click();
    EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::Fade)->isChecked());
    EXPECT_TRUE(f.radio(Role::InOrder)->isChecked());
}

TEST_F(DialogTest, LowColourScreensGetTheHintBeforeAnythingElse) {
    services.screenInfo.depth = 8;
    system.windowsDir = "";  // the platform knows no such folder: the home folder stands in
    SettingsDialog& f = open();
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Plain);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text, kLowColorHint);
    EXPECT_EQ(f.defaultPictureFolder(), dir / "home");
}

TEST_F(DialogTest, LoadingShowsOddValuesTheWayTheSaverReadsThem) {
    struct Case {
        std::string options;
        std::function<void(SettingsDialog&)> check;
    };
    const std::vector<Case> cases = {
        {"Time=2500", [](SettingsDialog& f) { EXPECT_EQ(text(f.label(Role::DelayValue)), "2"); }},
        {"Time=3500", [](SettingsDialog& f) { EXPECT_EQ(text(f.label(Role::DelayValue)), "4"); }},
        {"Time=0x7D0", [](SettingsDialog& f) { EXPECT_EQ(text(f.label(Role::DelayValue)), "2"); }},
        {"Sound=1\nSeq=0\nColor=2\nPicdis=5\nTime=9000",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.radio(Role::SoundOn)->isChecked());
             EXPECT_TRUE(f.radio(Role::Random)->isChecked());
             EXPECT_TRUE(f.radio(Role::DarkColors)->isChecked());
             EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::CustomSize)->isChecked());
             EXPECT_EQ(f.scrollBar(Role::DelayBar)->value(), 9);
         }},
        {"",
         [](SettingsDialog& f) {  // every key missing
             EXPECT_EQ(text(f.label(Role::DelayValue)), "8");
             EXPECT_EQ(f.scrollBar(Role::DelayBar)->value(), 8);
             EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::RollDown)->isChecked());
             EXPECT_TRUE(f.radio(Role::AlwaysBlack)->isChecked());
             EXPECT_TRUE(f.radio(Role::SoundOn)->isChecked());
         }},
        {"Picdis=8",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::RollDown)->isChecked());
         }},
        {"Picdis=0\nColor=5",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::RollDown)->isChecked());
             EXPECT_TRUE(f.radio(Role::AlwaysBlack)->isChecked());
         }},
        {"Picdis=12",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::PanAndZoom)->isChecked());
         }},
        {"Picdis=13",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::RollDown)->isChecked());
         }},
        {"Sound=loud", [](SettingsDialog& f) { EXPECT_TRUE(f.radio(Role::SoundOn)->isChecked()); }},
        {"Height=10\nWidth=3000",
         [](SettingsDialog& f) {
             EXPECT_EQ(text(f.label(Role::HeightValue)), "25");
             EXPECT_EQ(f.scrollBar(Role::HeightBar)->value(), 25);
             EXPECT_EQ(text(f.label(Role::WidthValue)), "3000");
             EXPECT_EQ(f.scrollBar(Role::WidthBar)->value(), 1280);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        writeIni("[Options]\n" + c.options + "\n");
        c.check(open());
    }
}

TEST_F(DialogTest, HiddenPictureInPictureAndOversizeWidthSurviveASave) {
    writeIni("[Options]\nPicdis=3\nWidth=3000\nHeight=700\nTime=2500\n");
    SettingsDialog& f = open();
    EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::PictureInPicture)->isChecked());
    for (const DisplayModeRow& mode : kDisplayModes) {
        if (mode.setting == DisplayModeSetting::PictureInPicture) continue;
        EXPECT_FALSE(f.displayModeButton(mode.setting)->isChecked()) << mode.caption;
    }
    f.button(Role::OkSave)->click();
    EXPECT_EQ(option("Picdis"), "3");
    EXPECT_EQ(option("Width"), "3000");
    EXPECT_EQ(option("Height"), "700");
    EXPECT_EQ(option("Time"), "2000");
}

// Each display mode's button: its caption, its place in "Picture Displays", and the value "Ok -
// Save" writes for it.
TEST_F(DialogTest, EachDisplayModeButtonShowsItsCaptionInItsPlaceAndSavesItsValue) {
    struct Button {
        const char* caption;
        QRect place;
        const char* stored;
    };
    const Button buttons[] = {
        {"Stretch Picture Full Screen", {14, 15, 187, 17}, "1"},
        {"Default Picture Size (Clearest Image)", {14, 31, 243, 17}, "2"},
        {"Tiled Pictures", {14, 48, 195, 17}, "4"},
        {"Customize Picture Size Below ", {14, 167, 203, 17}, "5"},
        {"Picture Overlapping", {14, 64, 160, 17}, "6"},
        {"Slide", {14, 80, 113, 17}, "7"},
        {"Roll It Down", {14, 96, 113, 17}, "8"},
        {"Rounded Corners", {14, 112, 147, 17}, "9"},
        {"Circle Frame", {14, 128, 113, 17}, "10"},
        {"Fade / Blend", {14, 144, 113, 17}, "11"},
        {"Pan and zoom", {150, 144, 113, 17}, "12"},
    };
    for (const Button& b : buttons) {
        SCOPED_TRACE(b.caption);
        SettingsDialog& f = open();
        QRadioButton* button = nullptr;
        for (QRadioButton* r :
             f.group(Role::PictureDisplays)
                 ->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly))
            if (r->text().toStdString() == b.caption) button = r;
        ASSERT_NE(button, nullptr);
        EXPECT_FALSE(button->isHidden());
        EXPECT_EQ(button->geometry(), b.place);
        button->click();
        f.button(Role::OkSave)->click();
        EXPECT_EQ(option("Picdis"), b.stored);
    }
    // The twelfth button came last, into the free space beside the fade's: inside the group,
    // over no other control shown there.
    SettingsDialog& f = open();
    QWidget* group = f.group(Role::PictureDisplays);
    QRadioButton* panAndZoom = f.displayModeButton(DisplayModeSetting::PanAndZoom);
    EXPECT_TRUE(QRect(QPoint(), group->size()).contains(panAndZoom->geometry()));
    for (QWidget* other : group->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (other != panAndZoom && !other->isHidden()) {
            EXPECT_FALSE(other->geometry().intersects(panAndZoom->geometry()))
                << other->metaObject()->className() << " " << other->objectName().toStdString();
        }
}

// A file written on Windows: byte-order mark, CRLF, odd spacing, quoted values, a key and a
// section twice, comments. "Ok - Save" rewrites the value of each key it writes, adds the one it
// lacks, and leaves every other byte alone.
TEST_F(DialogTest, AWindowsFileKeepsEveryLineTheSaveDoesNotWrite) {
    const std::string head =
        "\xEF\xBB\xBF; written on Windows\r\n"
        "[options]\r\n"
        "  Sound = 1 \r\n"
        "Seq=0\r\n"
        "; the delay, in milliseconds\r\n"
        "Time = \"5000\"\r\n"
        "Color='2'\r\n"
        "Picdis=7\r\n"
        "picdis=9\r\n"
        "Height=300\r\n"
        "Width = 400\r\n";
    const std::string tail =
        "\r\n"
        "[History]\r\n"
        "Last Dir=\"C:\\Users\\me\\\"\r\n"
        "[OPTIONS]\r\n"
        "Sound=0\r\n" +
        freeSlots(kPictureSection) + freeSlots(kSoundSection);
    writeIni(head + tail);
    SettingsDialog& f = open();
    EXPECT_TRUE(f.radio(Role::SoundOn)->isChecked());
    EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::Slide)->isChecked());
    EXPECT_TRUE(f.radio(Role::DarkColors)->isChecked());
    EXPECT_EQ(text(f.label(Role::DelayValue)), "5");
    f.button(Role::OkSave)->click();
    EXPECT_EQ(readFile(iniPath()),
              "\xEF\xBB\xBF; written on Windows\r\n"
              "[options]\r\n"
              "  Sound =1\r\n"
              "Seq=0\r\n"
              "; the delay, in milliseconds\r\n"
              "Time =5000\r\n"
              "Color=2\r\n"
              "Picdis=7\r\n"
              "picdis=9\r\n"
              "Height=300\r\n"
              "Width =400\r\n"
              "Fit=0\r\n"
              "Shuffle=0\r\n"
              "AllScreens=0\r\n"
              "Captions=0\r\n" +
                  tail);
}

TEST_F(DialogTest, TheOptionCheckBoxesAreLoadedSavedAndOverlapNoOtherControl) {
    const std::pair<std::string, Role> boxes[] = {{"Fit", Role::Fit},
                                                  {"Shuffle", Role::Shuffle},
                                                  {"AllScreens", Role::AllScreens},
                                                  {"Captions", Role::Captions}};
    for (const auto& [key, box] : boxes)
        for (const std::string stored : {"", "=1\n", "=0\n"}) {
            SCOPED_TRACE(key + stored);
            writeIni("[Options]\n" + (stored.empty() ? stored : key + stored));
            SettingsDialog& f = open();
            const bool on = stored == "=1\n";  // missing: off
            EXPECT_EQ(f.checkBox(box)->isChecked(), on);
            f.checkBox(box)->click();
            f.button(Role::OkSave)->click();
            EXPECT_EQ(option(key), on ? "0" : "1");
        }
    SettingsDialog& f = open();
    EXPECT_EQ(f.checkBox(Role::Fit)->text().toStdString(),
              "Shrink large pictures to fit the screen");
    EXPECT_EQ(f.checkBox(Role::Shuffle)->text().toStdString(),
              "Show each picture once before repeating");
    EXPECT_EQ(f.checkBox(Role::AllScreens)->text().toStdString(), "Show pictures on every screen");
    EXPECT_EQ(f.checkBox(Role::Captions)->text().toStdString(), "Show each photo's name and date");
    for (QCheckBox* box : {f.checkBox(Role::Fit), f.checkBox(Role::Shuffle),
                           f.checkBox(Role::AllScreens), f.checkBox(Role::Captions)}) {
        EXPECT_TRUE(f.rect().contains(box->geometry()));
        for (QWidget* other : f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            if (other != box) {
                EXPECT_FALSE(other->geometry().intersects(box->geometry()))
                    << other->metaObject()->className() << " " << other->objectName().toStdString();
            }
    }
}

TEST_F(DialogTest, OkSaveWritesTheUntouchedControlsAndCloses) {
    SettingsDialog& f = open();
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    f.button(Role::OkSave)->click();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(option("Sound"), "0");
    EXPECT_EQ(option("Seq"), "1");
    EXPECT_EQ(option("Color"), "4");
    EXPECT_EQ(option("Picdis"), "11");
    EXPECT_EQ(option("Time"), "2000");
    EXPECT_EQ(option("Height"), "25");
    EXPECT_EQ(option("Width"), "25");
    EXPECT_EQ(option("Status"), "1");
    EXPECT_EQ(option("Repeat"), "0");
}

TEST_F(DialogTest, ARefusedSaveShowsTheErrorAndKeepsTheDialogOpen) {
    SettingsDialog& f = open();
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    f.radio(Role::Random)->click();
    // A plain file where the settings folder was refuses the write even to root.
    std::filesystem::remove_all(dir / "config/Quillo");
    writeFile(dir / "config/Quillo", "");
    f.button(Role::OkSave)->click();
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text, "Unable to write to " + iniPath());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(f.isVisible());
}

// Another program holds the settings file's lock: "Ok - Save" waits for it from a timer, so the
// window goes on working; Ok is pressed once however often it is clicked, the dialog closes with
// whatever the controls show when the file is free, and never under another box.
TEST_F(DialogTest, OkSaveWaitsForAnotherWriterWithoutHoldingUpTheWindow) {
    SettingsDialog& f = open();
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    const std::string before = readFile(iniPath());
    QDialog box(&f);
    {
        const IniStore::WritersLock held = IniStore(iniPath()).lock();
        f.button(Role::OkSave)->click();
        EXPECT_TRUE(f.saveWaiting());
        EXPECT_FALSE(f.button(Role::OkSave)->isEnabled());
        f.onOkSave();
        f.onSaveRetry();
        f.radio(Role::Random)->click();
        EXPECT_EQ(readFile(iniPath()), before);
        EXPECT_EQ(closed, 0);
        EXPECT_TRUE(f.isVisible());
        box.setWindowModality(Qt::ApplicationModal);
        box.show();
    }
    f.onSaveRetry();  // the file is free, but a box is open
    EXPECT_EQ(closed, 0);
    box.hide();
    f.onSaveRetry();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(f.saveWaiting());
    EXPECT_EQ(option("Seq"), "0");
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
}

// A wait that runs out reports the file as unwritable and keeps everything in the dialog; a
// window closed while it waits saves nothing.
TEST_F(DialogTest, OkSaveWaitingInVainReportsTheFileAndLosesNothing) {
    SettingsDialog& f = open();
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    const std::string before = readFile(iniPath());
    f.setSaveWait(std::chrono::milliseconds(0));
    f.radio(Role::Random)->click();
    {
        const IniStore::WritersLock held = IniStore(iniPath()).lock();
        f.button(Role::OkSave)->click();
        EXPECT_EQ(services.texts(), std::vector<std::string>{"Unable to write to " + iniPath()});
        EXPECT_FALSE(f.saveWaiting());
        EXPECT_TRUE(f.button(Role::OkSave)->isEnabled());
        EXPECT_EQ(closed, 0);
        EXPECT_EQ(readFile(iniPath()), before);

        f.setSaveWait(IniStore::kWriterWait);
        f.button(Role::OkSave)->click();
        f.close();
        EXPECT_FALSE(f.saveWaiting());
        EXPECT_EQ(closed, 1);
    }
    f.onSaveRetry();
    EXPECT_EQ(readFile(iniPath()), before);

    f.show();
    f.button(Role::OkSave)->click();
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(option("Seq"), "0");
}

TEST_F(DialogTest, ScrollBarsMoveByOneAndTheirLabelsFollow) {
    SettingsDialog& f = open();
    f.scrollBar(Role::DelayBar)->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(text(f.label(Role::DelayValue)), "2");
    f.scrollBar(Role::DelayBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(text(f.label(Role::DelayValue)), "3");
    f.scrollBar(Role::HeightBar)->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(text(f.label(Role::HeightValue)), "26");
    f.scrollBar(Role::WidthBar)->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(text(f.label(Role::WidthValue)), "1280");
    f.button(Role::OkSave)->click();
    EXPECT_EQ(option("Width"), "1280");
    EXPECT_EQ(option("Height"), "26");
    EXPECT_EQ(option("Time"), "3000");
}

TEST_F(DialogTest, RemovingFromEmptyListsOnlyExplains) {
    SettingsDialog& f = open();
    const std::string before = readFile(iniPath());
    f.button(Role::RemovePicture)->click();
    f.button(Role::RemoveSound)->click();
    f.button(Role::ClearList)->click();
    EXPECT_EQ(services.texts(),
              (std::vector<std::string>{kNoPicturesText, kNoSoundsText, kNoPicturesText}));
    for (const auto& shown : services.scriptedBoxes.shown) {
        EXPECT_EQ(shown.kind, MessageKind::Information);
        EXPECT_EQ(shown.buttons, MessageButtons::Ok);
    }
    EXPECT_EQ(readFile(iniPath()), before);
}

TEST_F(DialogTest, SoundButtonsFollowTheSoundList) {
    SettingsDialog& f = open();
    const std::string first = "/music/a b/Ünïcode \"song\" 'one'.mp3";
    services.soundAnswers = {first, std::string("/music/two.wav"), std::nullopt};
    f.button(Role::AddSound)->click();
    EXPECT_TRUE(f.radio(Role::SoundOn)->isEnabled());
    EXPECT_TRUE(f.radio(Role::SoundOff)->isEnabled());
    EXPECT_TRUE(f.radio(Role::SoundOff)->isChecked());  // enabling does not switch sound on
    f.button(Role::AddSound)->click();
    f.button(Role::AddSound)->click();  // cancelled
    EXPECT_EQ(lines(*f.list(Role::SoundList)), (std::vector<std::string>{first, "/music/two.wav"}));
    EXPECT_EQ(slot(kSoundSection, 1), first);

    // The confirmation: Cancel keeps, OK removes the highlighted (first) line.
    services.scriptedBoxes.answers = {MessageResult::Cancel};
    f.button(Role::RemoveSound)->click();
    EXPECT_EQ(f.list(Role::SoundList)->count(), 2);
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text, kConfirmSoundRemovalText);
    EXPECT_EQ(services.scriptedBoxes.shown[0].buttons, MessageButtons::OkCancel);
    f.button(Role::RemoveSound)->click();
    EXPECT_EQ(lines(*f.list(Role::SoundList)), (std::vector<std::string>{"/music/two.wav"}));
    EXPECT_EQ(slot(kSoundSection, 1), "Null");
    EXPECT_TRUE(f.radio(Role::SoundOn)->isEnabled());

    f.radio(Role::SoundOn)->click();
    f.button(Role::RemoveSound)->click();
    EXPECT_EQ(f.list(Role::SoundList)->count(), 0);
    EXPECT_TRUE(f.radio(Role::SoundOff)->isChecked());
    EXPECT_FALSE(f.radio(Role::SoundOn)->isEnabled());
    EXPECT_FALSE(f.radio(Role::SoundOff)->isEnabled());
}

TEST_F(DialogTest, AddPictureStartsInLastDirAndRemembersTheFolder) {
    std::filesystem::create_directories(dir / "pics/sub dir");
    const std::string picture = dir / "pics/sub dir/Été \"quoted\" 'x'.jpg";
    SettingsDialog& f = open();

    f.button(Role::AddPicture)->click();  // cancelled: Last Dir stays unset
    EXPECT_EQ(services.pictureDialogDirs.back(), dir / "home");
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", "<missing>"), "<missing>");

    services.pictureAnswers = {picture};
    f.button(Role::AddPicture)->click();
    EXPECT_EQ(lines(*f.list(Role::PictureList)), std::vector<std::string>{picture});
    EXPECT_EQ(text(f.label(Role::PictureCount)), "1");
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", ""), dir / "pics/sub dir/");
    EXPECT_GT(f.list(Role::PictureList)->horizontalExtent(), 100);

    f.button(Role::AddPicture)->click();
    EXPECT_EQ(services.pictureDialogDirs.back(), dir / "pics/sub dir/");

    f.button(Role::RemovePicture)->click();
    EXPECT_EQ(f.list(Role::PictureList)->count(), 0);
    EXPECT_EQ(text(f.label(Role::PictureCount)), "0");
    EXPECT_EQ(slot(kPictureSection, 1), "Null");
}

TEST_F(DialogTest, AFullPictureListIsReportedAndStillStoresTheFolder) {
    std::string ini = "[Options]\n[JpegConfig]\n";
    for (int n = 1; n <= kSlotCount; ++n)
        ini += "Name" + std::to_string(n) + "=/p/" + std::to_string(n) + ".jpg\n";
    writeIni(ini);
    SettingsDialog& f = open();
    EXPECT_EQ(text(f.label(Role::PictureCount)), "1000");
    std::filesystem::create_directories(dir / "new");
    services.pictureAnswers = {dir / "new/extra.jpg"};
    f.button(Role::AddPicture)->click();
    EXPECT_EQ(services.texts(), std::vector<std::string>{kListFullText});
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(f.list(Role::PictureList)->count(), 1000);
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", ""), dir / "new/");
}

TEST_F(DialogTest, ListExtentFitsTheWidestLine) {
    const std::string wide = "/" + std::string(300, 'w') + ".jpg";
    writeIni("[JpegConfig]\nName1=/short.jpg\nName2=" + wide + "\n" + freeSlots(kSoundSection));
    SettingsDialog& f = open();
    f.show();
    const int widest = QFontMetrics(f.list(Role::PictureList)->font())
                           .horizontalAdvance(QString::fromStdString(wide));
    EXPECT_EQ(f.list(Role::PictureList)->horizontalExtent(), widest + 100);
    EXPECT_EQ(f.list(Role::SoundList)->horizontalExtent(), 100);
    EXPECT_GT(f.list(Role::PictureList)->horizontalScrollBar()->maximum(),
              widest - f.list(Role::PictureList)->width());
    // Removing leaves the extent as it was.
    f.list(Role::PictureList)->setCurrentRow(1);
    f.button(Role::RemovePicture)->click();
    EXPECT_EQ(f.list(Role::PictureList)->horizontalExtent(), widest + 100);
}

TEST_F(DialogTest, AboutDownloadAndClosing) {
    SettingsDialog& f = open();
    f.button(Role::About)->click();
    EXPECT_EQ(services.modalRuns, 1);
    EXPECT_EQ(about->size(), QSize(505, 336));
    EXPECT_TRUE(about->windowFlags() & Qt::FramelessWindowHint);
    about->show();
    about->returnButton->click();
    EXPECT_FALSE(about->isVisible());

    services.shellAnswers = {OpenResult::Opened, OpenResult::Failed};
    f.button(Role::Download)->click();
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
    f.button(Role::Download)->click();
    EXPECT_EQ(services.opened, (std::vector<std::string>{kDownloadAddress, kDownloadAddress}));
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Plain);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text,
              std::string(kDownloadFailedText) + kDownloadAddress);

    // Escape does nothing; a close from the window manager ends without saving the options.
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    f.radio(Role::Random)->click();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&f, &escape);
    EXPECT_TRUE(f.isVisible());
    f.close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(option("Seq"), "0");
}

// The About box opens centred on the screen that shows the middle of the dialog: the first screen
// is 800x600, the second 1024x768 to its right, the box 505x336.
TEST_F(DialogTest, TheAboutBoxOpensCentredOnTheDialogsScreen) {
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    SettingsDialog& f = open();
    AboutBox box(&f);
    const std::pair<QPoint, QPoint> places[] = {
        {{900, 100}, {1059, 216}},  // on the second screen
        {{50, 20}, {147, 132}},     // on the first
        {{500, 50}, {1059, 216}},   // across both, its middle on the second
    };
    for (const auto& [dialog, expected] : places) {
        SCOPED_TRACE(dialog.x());
        f.move(dialog);
        f.show();
        box.show();
        EXPECT_EQ(box.pos(), expected);
        box.hide();
    }
}

// Presses and releases a key on the control that has the keyboard; returns the control that has
// it afterwards.
QWidget* press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(QApplication::focusWidget(), &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(QApplication::focusWidget(), &up);
    return QApplication::focusWidget();
}

// Shows the dialog as the window that has the keyboard, with the picture list focused.
void takeKeyboard(SettingsDialog& f) {
    f.show();
    f.activateWindow();
    for (int i = 0; i < 100 && !f.isActiveWindow(); ++i) QApplication::processEvents();
    ASSERT_TRUE(f.isActiveWindow());
    f.list(Role::PictureList)->setFocus(Qt::TabFocusReason);
}

TEST_F(DialogTest, TabReachesEveryControlOnceAndARadioGroupAtItsCheckedButton) {
    std::string sounds = freeSlots(kSoundSection);
    sounds.replace(sounds.find("Name1=Null"), 10, "Name1=/music/a.mp3");
    writeIni("[Options]\nSound=1\nSeq=0\nColor=2\nPicdis=8\nTime=8000\n" + sounds);
    SettingsDialog& f = open();
    takeKeyboard(f);
    const std::vector<QWidget*> order = {f.list(Role::SoundList),
                                         f.button(Role::AddPicture),
                                         f.button(Role::RemovePicture),
                                         f.button(Role::AddFolder),
                                         f.button(Role::ClearList),
                                         f.button(Role::AddSound),
                                         f.button(Role::RemoveSound),
                                         f.radio(Role::SoundOn),
                                         f.displayModeButton(DisplayModeSetting::RollDown),
                                         f.scrollBar(Role::WidthBar),
                                         f.scrollBar(Role::HeightBar),
                                         f.scrollBar(Role::DelayBar),
                                         f.radio(Role::Random),
                                         f.radio(Role::DarkColors),
                                         f.checkBox(Role::Fit),
                                         f.checkBox(Role::Shuffle),
                                         f.checkBox(Role::AllScreens),
                                         f.checkBox(Role::Captions),
                                         f.button(Role::Download),
                                         f.button(Role::About),
                                         f.button(Role::OkSave),
                                         f.list(Role::PictureList)};
    for (QWidget* expected : order)
        EXPECT_EQ(press(Qt::Key_Tab), expected) << expected->metaObject()->className();
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier), f.button(Role::OkSave));

    // The arrow keys move a scroll bar by one, and the check within a group; Tab into the group
    // again lands on the button now checked.
    f.scrollBar(Role::DelayBar)->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Right);
    EXPECT_EQ(text(f.label(Role::DelayValue)), "9");
    press(Qt::Key_Left);
    press(Qt::Key_Left);
    EXPECT_EQ(text(f.label(Role::DelayValue)), "7");
    f.displayModeButton(DisplayModeSetting::RollDown)->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(press(Qt::Key_Down), f.displayModeButton(DisplayModeSetting::RoundedCorners));
    EXPECT_TRUE(f.displayModeButton(DisplayModeSetting::RoundedCorners)->isChecked());
    EXPECT_EQ(press(Qt::Key_Tab), f.scrollBar(Role::WidthBar));
    EXPECT_EQ(press(Qt::Key_Backtab, Qt::ShiftModifier),
              f.displayModeButton(DisplayModeSetting::RoundedCorners));

    // With the checked button hidden, Tab lands on the group's first shown one.
    writeIni("[Options]\nPicdis=3\n" + freeSlots(kPictureSection) + freeSlots(kSoundSection));
    SettingsDialog& g = open();
    takeKeyboard(g);
    g.button(Role::RemoveSound)
        ->setFocus(Qt::TabFocusReason);  // no sound files: the sound buttons are off
    EXPECT_EQ(press(Qt::Key_Tab), g.displayModeButton(DisplayModeSetting::Stretched));
}

}  // namespace
}  // namespace quillo::test
