// The settings dialog: start-up, loading and saving the options, scroll bars, the sound list and
// the window itself.
#include <sys/stat.h>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <filesystem>

#include "DialogTestSupport.h"

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
    EXPECT_TRUE(f.radsndof->isChecked());
    EXPECT_TRUE(f.Radseq->isChecked());
    EXPECT_TRUE(f.RadFade->isChecked());
    EXPECT_TRUE(f.Radcol4->isChecked());
    EXPECT_EQ(text(f.Lbldelay), "2");
    EXPECT_EQ(text(f.Lblwidth), "25");
    EXPECT_EQ(text(f.Lblheight), "25");
    EXPECT_EQ(f.ScrollbarDelay->value(), 1);
    EXPECT_EQ(f.ScrollBarW->value(), 25);
    EXPECT_EQ(f.ScrollBarW->maximum(), 1280);
    EXPECT_EQ(f.ScrollBarH->maximum(), 1024);
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(f.ListBox2->count(), 0);
    EXPECT_EQ(text(f.LblCount), "0");
    EXPECT_TRUE(f.Image1->picture().empty());
    EXPECT_FALSE(f.radsndon->isEnabled());
    EXPECT_FALSE(f.radsndof->isEnabled());
    EXPECT_EQ(f.WindowsDir(), dir / "home");

    // The window and a sample of its controls.
    EXPECT_EQ(f.windowTitle().toStdString(), "Quillo Screensaver Creator Settings");
    EXPECT_EQ(f.size(), QSize(607, 518));
    EXPECT_EQ(f.minimumSize(), f.maximumSize());
    EXPECT_FALSE(f.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(f.palette().color(QPalette::Window), QColor(222, 224, 214));
    EXPECT_EQ(f.cmdclose->geometry(), QRect(479, 487, 109, 21));
    EXPECT_EQ(f.Image1->parentWidget(), f.GroupBox2);
    EXPECT_EQ(f.Image1->geometry(), QRect(152, 29, 126, 88));
    EXPECT_EQ(f.GroupBox7->parentWidget(), f.GroupBox6);
    EXPECT_EQ(f.ScrollBarH->geometry(), QRect(138, 34, 68, 13));
    EXPECT_EQ(f.radpicin->text().toStdString(), "Picture in a Picture");
    EXPECT_TRUE(f.radpicin->isHidden());
    EXPECT_EQ(f.ListBox2->toolTip().toStdString(), "Double click to play the sound file");
    EXPECT_EQ(f.ScrollBarW->toolTip().toStdString(), "Set picture width when customizing");
    EXPECT_EQ(f.GroupBox1->title().toStdString(), "Background Colors ");
    EXPECT_TRUE(f.GroupBox2->font().bold());
    EXPECT_TRUE(f.Lbldelay->font().underline());
    EXPECT_EQ(f.cmdclose->font().family().toStdString(), "Liberation Sans");
    EXPECT_EQ(f.cmdclose->font().pixelSize(), 11);
    // Radio buttons of different parents are independent.
    f.radcol1->click();
    EXPECT_TRUE(f.RadFade->isChecked());
    EXPECT_TRUE(f.Radseq->isChecked());
}

TEST_F(DialogTest, LowColourScreensGetTheHintBeforeAnythingElse) {
    services.screenInfo.depth = 8;
    system.windowsDir = "";  // the platform knows no such folder: the home folder stands in
    SettingsDialog& f = open();
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Plain);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text, kLowColorHint);
    EXPECT_EQ(f.WindowsDir(), dir / "home");
}

TEST_F(DialogTest, LoadingShowsOddValuesTheWayTheSaverReadsThem) {
    struct Case {
        std::string options;
        std::function<void(SettingsDialog&)> check;
    };
    const std::vector<Case> cases = {
        {"Time=2500", [](SettingsDialog& f) { EXPECT_EQ(text(f.Lbldelay), "2"); }},
        {"Time=3500", [](SettingsDialog& f) { EXPECT_EQ(text(f.Lbldelay), "4"); }},
        {"Time=0x7D0", [](SettingsDialog& f) { EXPECT_EQ(text(f.Lbldelay), "2"); }},
        {"Sound=1\nSeq=0\nColor=2\nPicdis=5\nTime=9000",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.radsndon->isChecked());
             EXPECT_TRUE(f.Radran->isChecked());
             EXPECT_TRUE(f.radcol2->isChecked());
             EXPECT_TRUE(f.Radpictcust->isChecked());
             EXPECT_EQ(f.ScrollbarDelay->value(), 9);
         }},
        {"",
         [](SettingsDialog& f) {  // every key missing
             EXPECT_EQ(text(f.Lbldelay), "8");
             EXPECT_EQ(f.ScrollbarDelay->value(), 8);
             EXPECT_TRUE(f.RadRollDown->isChecked());
             EXPECT_TRUE(f.Radcol4->isChecked());
             EXPECT_TRUE(f.radsndon->isChecked());
         }},
        {"Picdis=8", [](SettingsDialog& f) { EXPECT_TRUE(f.RadRollDown->isChecked()); }},
        {"Picdis=0\nColor=5",
         [](SettingsDialog& f) {
             EXPECT_TRUE(f.RadRollDown->isChecked());
             EXPECT_TRUE(f.Radcol4->isChecked());
         }},
        {"Picdis=12", [](SettingsDialog& f) { EXPECT_TRUE(f.RadRollDown->isChecked()); }},
        {"Sound=loud", [](SettingsDialog& f) { EXPECT_TRUE(f.radsndon->isChecked()); }},
        {"Height=10\nWidth=3000",
         [](SettingsDialog& f) {
             EXPECT_EQ(text(f.Lblheight), "25");
             EXPECT_EQ(f.ScrollBarH->value(), 25);
             EXPECT_EQ(text(f.Lblwidth), "3000");
             EXPECT_EQ(f.ScrollBarW->value(), 1280);
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
    EXPECT_TRUE(f.radpicin->isChecked());
    for (int v = 1; v <= 11; ++v) {
        if (v == 3) continue;
        EXPECT_FALSE(f.displayModeButton(v)->isChecked()) << v;
    }
    f.cmdclose->click();
    EXPECT_EQ(option("Picdis"), "3");
    EXPECT_EQ(option("Width"), "3000");
    EXPECT_EQ(option("Height"), "700");
    EXPECT_EQ(option("Time"), "2000");
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
    EXPECT_TRUE(f.radsndon->isChecked());
    EXPECT_TRUE(f.Radslide->isChecked());
    EXPECT_TRUE(f.radcol2->isChecked());
    EXPECT_EQ(text(f.Lbldelay), "5");
    f.cmdclose->click();
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
              "Fit=0\r\n" +
                  tail);
}

TEST_F(DialogTest, TheFitCheckBoxIsLoadedSavedAndOverlapsNoOtherControl) {
    for (const char* stored : {"", "Fit=1\n", "Fit=0\n"}) {
        SCOPED_TRACE(stored);
        writeIni("[Options]\n" + std::string(stored));
        SettingsDialog& f = open();
        const bool on = std::string(stored) == "Fit=1\n";  // missing: off
        EXPECT_EQ(f.chkfit->isChecked(), on);
        f.chkfit->click();
        f.cmdclose->click();
        EXPECT_EQ(option("Fit"), on ? "0" : "1");
    }
    SettingsDialog& f = open();
    EXPECT_EQ(f.chkfit->text().toStdString(), "Shrink large pictures to fit the screen");
    EXPECT_TRUE(f.rect().contains(f.chkfit->geometry()));
    for (QWidget* other : f.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (other != f.chkfit) {
            EXPECT_FALSE(other->geometry().intersects(f.chkfit->geometry()))
                << other->metaObject()->className() << " " << other->objectName().toStdString();
        }
}

TEST_F(DialogTest, OkSaveWritesTheUntouchedControlsAndCloses) {
    SettingsDialog& f = open();
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    f.cmdclose->click();
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
    f.Radran->click();
    // A plain file where the settings folder was refuses the write even to root.
    std::filesystem::remove_all(dir / "config/Quillo");
    writeFile(dir / "config/Quillo", "");
    f.cmdclose->click();
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Error);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text, "Unable to write to " + iniPath());
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(f.isVisible());
}

TEST_F(DialogTest, ScrollBarsMoveByOneAndTheirLabelsFollow) {
    SettingsDialog& f = open();
    f.ScrollbarDelay->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(text(f.Lbldelay), "2");
    f.ScrollbarDelay->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(text(f.Lbldelay), "3");
    f.ScrollBarH->triggerAction(QAbstractSlider::SliderPageStepAdd);
    EXPECT_EQ(text(f.Lblheight), "26");
    f.ScrollBarW->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(text(f.Lblwidth), "1280");
    f.cmdclose->click();
    EXPECT_EQ(option("Width"), "1280");
    EXPECT_EQ(option("Height"), "26");
    EXPECT_EQ(option("Time"), "3000");
}

TEST_F(DialogTest, RemovingFromEmptyListsOnlyExplains) {
    SettingsDialog& f = open();
    const std::string before = readFile(iniPath());
    f.Button3->click();
    f.cmdwavd->click();
    f.CmdClearList->click();
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
    f.cmdwav->click();
    EXPECT_TRUE(f.radsndon->isEnabled());
    EXPECT_TRUE(f.radsndof->isEnabled());
    EXPECT_TRUE(f.radsndof->isChecked());  // enabling does not switch sound on
    f.cmdwav->click();
    f.cmdwav->click();  // cancelled
    EXPECT_EQ(lines(*f.ListBox2), (std::vector<std::string>{first, "/music/two.wav"}));
    EXPECT_EQ(slot(kSoundSection, 1), first);

    // The confirmation: Cancel keeps, OK removes the highlighted (first) line.
    services.scriptedBoxes.answers = {MessageResult::Cancel};
    f.cmdwavd->click();
    EXPECT_EQ(f.ListBox2->count(), 2);
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text, kConfirmSoundRemovalText);
    EXPECT_EQ(services.scriptedBoxes.shown[0].buttons, MessageButtons::OkCancel);
    f.cmdwavd->click();
    EXPECT_EQ(lines(*f.ListBox2), (std::vector<std::string>{"/music/two.wav"}));
    EXPECT_EQ(slot(kSoundSection, 1), "Null");
    EXPECT_TRUE(f.radsndon->isEnabled());

    f.radsndon->click();
    f.cmdwavd->click();
    EXPECT_EQ(f.ListBox2->count(), 0);
    EXPECT_TRUE(f.radsndof->isChecked());
    EXPECT_FALSE(f.radsndon->isEnabled());
    EXPECT_FALSE(f.radsndof->isEnabled());
}

TEST_F(DialogTest, AddPictureStartsInLastDirAndRemembersTheFolder) {
    std::filesystem::create_directories(dir / "pics/sub dir");
    const std::string picture = dir / "pics/sub dir/Été \"quoted\" 'x'.jpg";
    SettingsDialog& f = open();

    f.Button2->click();  // cancelled: Last Dir stays unset
    EXPECT_EQ(services.pictureDialogDirs.back(), dir / "home");
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", "<missing>"), "<missing>");

    services.pictureAnswers = {picture};
    f.Button2->click();
    EXPECT_EQ(lines(*f.ListBox1), std::vector<std::string>{picture});
    EXPECT_EQ(text(f.LblCount), "1");
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", ""), dir / "pics/sub dir/");
    EXPECT_GT(f.ListBox1->horizontalExtent(), 100);

    f.Button2->click();
    EXPECT_EQ(services.pictureDialogDirs.back(), dir / "pics/sub dir/");

    f.Button3->click();
    EXPECT_EQ(f.ListBox1->count(), 0);
    EXPECT_EQ(text(f.LblCount), "0");
    EXPECT_EQ(slot(kPictureSection, 1), "Null");
}

TEST_F(DialogTest, AFullPictureListIsReportedAndStillStoresTheFolder) {
    std::string ini = "[Options]\n[JpegConfig]\n";
    for (int n = 1; n <= kSlotCount; ++n)
        ini += "Name" + std::to_string(n) + "=/p/" + std::to_string(n) + ".jpg\n";
    writeIni(ini);
    SettingsDialog& f = open();
    EXPECT_EQ(text(f.LblCount), "1000");
    std::filesystem::create_directories(dir / "new");
    services.pictureAnswers = {dir / "new/extra.jpg"};
    f.Button2->click();
    EXPECT_EQ(services.texts(), std::vector<std::string>{kListFullText});
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Confirmation);
    EXPECT_EQ(f.ListBox1->count(), 1000);
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", ""), dir / "new/");
}

TEST_F(DialogTest, ListExtentFitsTheWidestLine) {
    const std::string wide = "/" + std::string(300, 'w') + ".jpg";
    writeIni("[JpegConfig]\nName1=/short.jpg\nName2=" + wide + "\n" + freeSlots(kSoundSection));
    SettingsDialog& f = open();
    f.show();
    const int widest =
        QFontMetrics(f.ListBox1->font()).horizontalAdvance(QString::fromStdString(wide));
    EXPECT_EQ(f.ListBox1->horizontalExtent(), widest + 100);
    EXPECT_EQ(f.ListBox2->horizontalExtent(), 100);
    EXPECT_GT(f.ListBox1->horizontalScrollBar()->maximum(), widest - f.ListBox1->width());
    // Removing leaves the extent as it was.
    f.ListBox1->setCurrentRow(1);
    f.Button3->click();
    EXPECT_EQ(f.ListBox1->horizontalExtent(), widest + 100);
}

TEST_F(DialogTest, AboutDownloadAndClosing) {
    SettingsDialog& f = open();
    f.cmdhelp->click();
    EXPECT_EQ(services.modalRuns, 1);
    EXPECT_EQ(about->size(), QSize(505, 336));
    EXPECT_TRUE(about->windowFlags() & Qt::FramelessWindowHint);
    about->show();
    about->Button1->click();
    EXPECT_FALSE(about->isVisible());

    services.shellAnswers = {kShellOk, kShellFileNotFound};
    f.cmdmore->click();
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
    f.cmdmore->click();
    EXPECT_EQ(services.opened, (std::vector<std::string>{kDownloadAddress, kDownloadAddress}));
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Plain);
    EXPECT_EQ(services.scriptedBoxes.shown[0].text,
              std::string(kDownloadFailedText) + kDownloadAddress);

    // Escape does nothing; a close from the window manager ends without saving the options.
    f.show();
    int closed = 0;
    QObject::connect(&f, &SettingsDialog::closed, [&closed] { ++closed; });
    f.Radran->click();
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&f, &escape);
    EXPECT_TRUE(f.isVisible());
    f.close();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(option("Seq"), "0");
}

}  // namespace
}  // namespace quillo::test
