// The thumbnail, opening listed files, "Add Entire Folder" and "Clear The List".
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

#include "DialogLogic.h"
#include "DialogTestSupport.h"

namespace quillo::test {
namespace {

void savePicture(const std::string& path, const char* format, QColor colour, int w = 8, int h = 6) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(QString::fromStdString(path), format)) << path;
}

class PictureDialogTest : public DialogTest {
protected:
    // Opens the dialog on a picture list of these paths, in slot order.
    SettingsDialog& openWith(const std::vector<std::string>& pictures,
                             const std::vector<std::string>& sounds = {}) {
        std::string ini = "[Options]\n[JpegConfig]\n";
        for (int n = 1; n <= kSlotCount; ++n)
            ini += "Name" + std::to_string(n) + "=" +
                   (std::size_t(n) <= pictures.size() ? pictures[n - 1] : "Null") + "\n";
        ini += "[WavConfig]\n";
        for (int n = 1; n <= kSlotCount; ++n)
            ini += "Name" + std::to_string(n) + "=" +
                   (std::size_t(n) <= sounds.size() ? sounds[n - 1] : "Null") + "\n";
        writeIni(ini);
        return open();
    }
    // A selection change by the user, as a click on the line would make.
    void userSelects(int row) { form->list(Role::PictureList)->setCurrentRow(row); }
    QColor thumbnailCentre() { return form->thumbnail()->grab().toImage().pixelColor(63, 44); }
};

TEST_F(PictureDialogTest, AFifoSlotCannotHangTheStartAndALargePhotoIsNotKept) {
    const std::string fifo = dir / "fifo.jpg", large = dir / "large.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    savePicture(large, "JPG", QColor(10, 200, 10), 3000, 2000);
    alarm(20);  // a hang kills this test's process, so it fails instead of blocking the suite
    SettingsDialog& f = openWith({fifo, large});
    EXPECT_EQ(services.texts(), std::vector<std::string>{kBadJpegText});
    userSelects(1);
    EXPECT_GT(thumbnailCentre().green(), 150);
    // The box needs no more than 1/8 of the photo (375 x 250 covers 126 x 88), and once drawn
    // only the box-sized copy is kept.
    EXPECT_EQ(f.thumbnail()->picture().width(), 375);
    EXPECT_EQ(f.thumbnail()->picture().decodedScale(), 8);
    EXPECT_EQ(f.thumbnail()->picture().bitmap().width(), f.thumbnail()->width());
    EXPECT_EQ(f.thumbnail()->picture().bitmap().height(), f.thumbnail()->height());
    alarm(0);
}

TEST_F(PictureDialogTest, TheThumbnailOfASidewaysPhotoIsUpright) {
    // Stored red on the left, blue on the right, with Exif orientation 6 (turn clockwise):
    // upright, red is on top.
    const std::string path = dir / "phone.jpg";
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x) image.setPixelColor(x, y, Qt::blue);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "JPG"));
    const char exif[] =
        "\xff\xe1\x00\x22"
        "Exif\0\0II\x2a\0\x08\0\0\0\x01\0"
        "\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0";
    std::string bytes = readFile(path);
    bytes.insert(2, exif, sizeof exif - 1);
    writeFile(path, bytes);
    SettingsDialog& f = openWith({path});
    EXPECT_EQ(f.thumbnail()->picture().width(), 20);
    const QImage shown = f.thumbnail()->grab().toImage();
    EXPECT_GT(shown.pixelColor(30, 10).red(), 200);
    EXPECT_GT(shown.pixelColor(30, 78).blue(), 200);
}

TEST_F(PictureDialogTest, ThumbnailFollowsTheUsersSelection) {
    const std::string good = dir / "good pic.bmp";
    const std::string goodJpeg = dir / "Ünïcode 'q' \"x\".jpg";
    const std::string badBmp = dir / "bad.BMP";
    const std::string badJpeg = dir / "bad.jpg";
    const std::string gif = dir / "pic.gif";
    const std::string gone = dir / "gone.jpg";
    savePicture(good, "BMP", QColor(200, 10, 10));
    savePicture(goodJpeg, "JPG", QColor(10, 10, 200), 16, 16);
    writeFile(badBmp, "not a bitmap");
    writeFile(badJpeg, "not a jpeg");
    writeFile(gif, std::string("GIF89a\x01\x00\x01\x00\x00\x00\x00;", 13));

    SettingsDialog& f = openWith({good, badBmp, badJpeg, gone, gif, goodJpeg});
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
    ASSERT_EQ(f.thumbnail()->picture().width(), 8);  // the first line, selected at start
    const QColor red = thumbnailCentre();
    EXPECT_GT(red.red(), 150);
    EXPECT_LT(red.green(), 60);

    userSelects(1);  // a broken bitmap: message, previous picture kept
    EXPECT_EQ(services.texts(), std::vector<std::string>{kBadBitmapText});
    EXPECT_EQ(services.scriptedBoxes.shown.back().kind, MessageKind::Information);
    EXPECT_EQ(f.thumbnail()->picture().width(), 8);

    userSelects(2);  // a broken JPEG: message, thumbnail emptied
    EXPECT_EQ(services.texts().back(), kBadJpegText);
    EXPECT_TRUE(f.thumbnail()->picture().empty());

    userSelects(0);
    ASSERT_EQ(f.thumbnail()->picture().width(), 8);
    userSelects(3);  // the file was deleted: nothing changes, no message
    EXPECT_EQ(services.scriptedBoxes.shown.size(), 2u);
    EXPECT_EQ(f.thumbnail()->picture().width(), 8);

    userSelects(4);  // no decoder for GIF: counts as a bad JPEG
    EXPECT_EQ(services.texts().back(), kBadJpegText);
    EXPECT_TRUE(f.thumbnail()->picture().empty());

    userSelects(5);
    EXPECT_EQ(services.scriptedBoxes.shown.size(), 3u);
    EXPECT_EQ(f.thumbnail()->picture().kind(), Picture::Kind::Jpeg);
    const QColor blue = thumbnailCentre();
    EXPECT_GT(blue.blue(), 150);
    EXPECT_LT(blue.red(), 60);

    // Program selections never refresh the thumbnail: adding selects the first line quietly.
    services.pictureAnswers = {badBmp};
    f.button(Role::AddPicture)->click();
    EXPECT_EQ(f.list(Role::PictureList)->currentRow(), 0);
    EXPECT_EQ(f.thumbnail()->picture().width(), 8);  // the refresh after the add shows line 1
    EXPECT_EQ(services.scriptedBoxes.shown.size(), 3u);
}

TEST_F(PictureDialogTest, DamagedJpegDataIsNotReportedAndDrawsNothing) {
    const std::string jpeg = dir / "cut.jpg";
    savePicture(jpeg, "JPG", Qt::red, 64, 64);
    std::string bytes = readFile(jpeg);
    // Keep the header up to the start of the scan, then garbage.
    const auto sos = bytes.find("\xFF\xDA");
    ASSERT_NE(sos, std::string::npos);
    bytes = bytes.substr(0, sos + 14) + std::string(40, '\xFF') + "\xFF\xD9";
    writeFile(jpeg, bytes);
    SettingsDialog& f = openWith({jpeg});
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
    f.thumbnail()->grab();  // drawing must not throw, whatever the decoder makes of it
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
}

TEST_F(PictureDialogTest, OpeningListedFilesAndTheirWarnings) {
    const std::string picture = dir / "a \"b\" 'c' ë.jpg";
    const std::string sound = dir / "song é.mp3";
    savePicture(picture, "JPG", Qt::red);
    writeFile(sound, "x");
    SettingsDialog& f = openWith({picture, dir / "missing.jpg"}, {sound});

    services.shellAnswers = {OpenResult::NoProgram, OpenResult::NoProgram, OpenResult::NoProgram};
    Q_EMIT f.list(Role::PictureList)->doubleClicked();
    Q_EMIT f.thumbnail()->clicked();
    Q_EMIT f.list(Role::SoundList)->doubleClicked();
    EXPECT_EQ(services.opened, (std::vector<std::string>{picture, picture, sound}));
    EXPECT_EQ(services.texts(), (std::vector<std::string>{kNoPictureViewerText, kNoImageViewerText,
                                                          kNoSoundPlayerText}));
    for (const auto& shown : services.scriptedBoxes.shown)
        EXPECT_EQ(shown.kind, MessageKind::Warning);

    services.scriptedBoxes.shown.clear();
    services.shellAnswers = {OpenResult::Opened, OpenResult::Failed};
    Q_EMIT f.list(Role::PictureList)->doubleClicked();
    Q_EMIT f.list(Role::SoundList)->doubleClicked();
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());  // only "no association" is reported

    // A missing file is not handed to the shell.
    services.opened.clear();
    userSelects(1);
    Q_EMIT f.list(Role::PictureList)->doubleClicked();
    Q_EMIT f.thumbnail()->clicked();
    EXPECT_TRUE(services.opened.empty());
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());
}

TEST_F(PictureDialogTest, EmptyListsOpenNothing) {
    SettingsDialog& f = openWith({});
    Q_EMIT f.list(Role::PictureList)->doubleClicked();
    Q_EMIT f.thumbnail()->clicked();
    Q_EMIT f.list(Role::SoundList)->doubleClicked();
    EXPECT_TRUE(services.opened.empty());
    EXPECT_TRUE(f.thumbnail()->picture().empty());
}

TEST_F(PictureDialogTest, AddEntireFolderAddsItsPicturesInNameOrder) {
    const std::string folder = dir / "My \"Pics\" ä";
    std::filesystem::create_directories(folder + "/sub.jpg");
    std::filesystem::create_directories(folder + "/nested");
    for (const char* name : {"b.JPG", "a.jpeg", "C.Bmp", "d.txt", "e.gif", "noext", ".jpg.txt"})
        writeFile(folder + "/" + name, "x");
    writeFile(folder + "/nested/f.jpg", "x");
    SettingsDialog& f = openWith({"/kept/first.jpg"});

    services.folderAnswers = {std::nullopt, folder + "/"};
    f.button(Role::AddFolder)->click();  // cancelled
    EXPECT_EQ(f.list(Role::PictureList)->count(), 1);
    f.button(Role::AddFolder)->click();
    EXPECT_EQ(services.folderDialogDirs.front(), dir / "home");
    EXPECT_EQ(lines(*f.list(Role::PictureList)),
              (std::vector<std::string>{"/kept/first.jpg", folder + "/a.jpeg", folder + "/b.JPG",
                                        folder + "/C.Bmp"}));
    EXPECT_EQ(f.label(Role::PictureCount)->text().toStdString(), "4");
    EXPECT_EQ(slot(kPictureSection, 2), folder + "/a.jpeg");
    EXPECT_EQ(slot(kPictureSection, 4), folder + "/C.Bmp");
    EXPECT_EQ(IniFile(iniPath()).readString("History", "Last Dir", ""), folder + "/");
    EXPECT_TRUE(services.scriptedBoxes.shown.empty());

    // A folder without pictures says so.
    services.folderAnswers = {folder + "/nested/.."};
    const std::string empty = dir / "empty";
    std::filesystem::create_directories(empty);
    services.folderAnswers = {empty};
    f.button(Role::AddFolder)->click();
    EXPECT_EQ(services.texts(), std::vector<std::string>{kNoFolderPicturesText});
    EXPECT_EQ(services.folderDialogDirs.back(), folder + "/");
}

TEST_F(PictureDialogTest, AddEntireFolderReportsAFullListOnce) {
    std::vector<std::string> used;
    for (int n = 1; n <= kSlotCount - 2; ++n) used.push_back("/p/" + std::to_string(n) + ".jpg");
    const std::string folder = dir / "many";
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 60; ++i) writeFile(folder + "/" + std::to_string(100 + i) + ".jpg", "x");
    SettingsDialog& f = openWith(used);
    services.folderAnswers = {folder};
    f.button(Role::AddFolder)->click();
    EXPECT_EQ(f.list(Role::PictureList)->count(), kSlotCount);
    EXPECT_EQ(slot(kPictureSection, 999), folder + "/100.jpg");
    EXPECT_EQ(slot(kPictureSection, 1000), folder + "/101.jpg");
    EXPECT_EQ(services.texts(), std::vector<std::string>{kListFullText});
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Confirmation);
}

TEST_F(PictureDialogTest, ClearTheListAsksThenFreesEverySlot) {
    const std::string picture = dir / "p.bmp";
    savePicture(picture, "BMP", Qt::red);
    SettingsDialog& f = openWith({picture, "/x/2.jpg", "/x/3.jpg"});
    ASSERT_FALSE(f.thumbnail()->picture().empty());

    services.scriptedBoxes.answers = {MessageResult::Cancel};
    f.button(Role::ClearList)->click();
    ASSERT_EQ(services.scriptedBoxes.shown.size(), 1u);
    EXPECT_EQ(services.scriptedBoxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(services.scriptedBoxes.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(f.list(Role::PictureList)->count(), 3);
    EXPECT_EQ(slot(kPictureSection, 1), picture);

    f.button(Role::ClearList)->click();
    EXPECT_EQ(f.list(Role::PictureList)->count(), 0);
    EXPECT_EQ(f.lists().PictureCount(), 0);
    EXPECT_EQ(f.label(Role::PictureCount)->text().toStdString(), "0");
    EXPECT_TRUE(f.thumbnail()->picture().empty());
    for (int n : {1, 2, 3, 1000}) EXPECT_EQ(slot(kPictureSection, n), "Null") << n;

    services.pictureAnswers = {"/y/new.jpg"};
    f.button(Role::AddPicture)->click();
    EXPECT_EQ(slot(kPictureSection, 1), "/y/new.jpg");
}

TEST(FolderPictures, MissingFolderGivesNothing) {
    EXPECT_TRUE(FolderPictures("/no/such/folder/anywhere").empty());
}

}  // namespace
}  // namespace quillo::test
