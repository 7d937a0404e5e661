#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <tuple>

#include "Errors.h"
#include "IniFile.h"
#include "Options.h"
#include "Rounding.h"
#include "SettingsStore.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.path()};
    ScriptedBoxes boxes;
    SettingsPaths paths;
    SettingsStore settings;

    void SetUp() override {
        paths = locateSettings(boxes);
        settings = SettingsStore(paths.file);
    }

    // Loads an "Options" section as the dialog does on a 1024 by 768 screen.
    OptionsState load(const std::string& options) {
        writeFile(paths.file, "[Options]\n" + options);
        OptionsState o = defaultDialogOptions(1024, 768);
        SlotTables slots;
        settings.load(o, slots);
        return o;
    }
    std::string option(const std::string& key) {
        return IniFile(paths.file).readString("Options", key, "<missing>");
    }
};

}  // namespace

TEST_F(SettingsFileTest, PathsAndFolder) {
    EXPECT_EQ(paths.dir, dir.path() + "/Quillo");
    EXPECT_EQ(paths.file, dir.path() + "/Quillo/quillo51.ini");
    EXPECT_TRUE(std::filesystem::is_directory(paths.dir));
    EXPECT_TRUE(boxes.shown.empty());

    // A configuration folder that does not exist yet is made along the way.
    ScopedEnv fresh("XDG_CONFIG_HOME", dir / "fresh/config");
    locateSettings(boxes);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "fresh/config/Quillo"));
    EXPECT_TRUE(boxes.shown.empty());

    // A folder that cannot be made: the warning, and the paths are set all the same.
    writeFile(dir / "plainfile", "");
    ScopedEnv blocked("XDG_CONFIG_HOME", dir / "plainfile");
    const SettingsPaths blockedPaths = locateSettings(boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(boxes.shown[0].text,
              "Could not create a folder as you do not have authority on your system. Please "
              "right click this software icon on your desktop, and choose the option to \"Run as "
              "Admin\" (only needs to be done one time), as you currently do not have authority "
              "to create a new folder.");
    EXPECT_EQ(blockedPaths.file, dir.path() + "/plainfile/Quillo/quillo51.ini");
}

TEST_F(SettingsFileTest, DefaultFileContent) {
    ASSERT_TRUE(settings.createNewFile());
    std::string expected =
        "[Options]\nSound=0\nStatus=1\nSeq=0\nRepeat=0\nTime=2000\nColor=4\nPicdis=11\n"
        "Height=25\nWidth=25\n";
    for (const char* section : {"JpegConfig", "WavConfig"}) {
        expected += std::string("[") + section + "]\n";
        for (int n = 1; n <= 1000; ++n) expected += "Name" + std::to_string(n) + "=Null\n";
    }
    EXPECT_EQ(readFile(paths.file), expected);
    // Beside it only the writers' lock; the list of a person's pictures is theirs alone.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(paths.dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".quillo51.ini.lock", "quillo51.ini"}));
    EXPECT_EQ(std::filesystem::status(paths.dir).permissions(), std::filesystem::perms(0700));
    EXPECT_EQ(std::filesystem::status(paths.file).permissions(), std::filesystem::perms(0600));

    // Loading the new file: what the saver and a reopened dialog see.
    SlotTables slots;
    slots.PictureSlots.setSlot(1000, "/x.jpg");
    OptionsState o = defaultDialogOptions(1024, 768);
    settings.load(o, slots);
    EXPECT_FALSE(o.soundOn);
    EXPECT_FALSE(o.inOrder);
    EXPECT_EQ(o.displayMode, DisplayModeSetting::Fade);
    EXPECT_EQ(o.delaySeconds, 2);
    EXPECT_EQ(slots.PictureSlots.slot(1000), "Null");

    // A file another process made since the caller looked is left as it is.
    IniFile(paths.file).writeString("JpegConfig", "Name1", "/a.jpg");
    EXPECT_FALSE(settings.createNewFile());
    EXPECT_EQ(IniFile(paths.file).readString("JpegConfig", "Name1", ""), "/a.jpg");
}

TEST_F(SettingsFileTest, LoadDelay) {
    EXPECT_EQ(load("Time=2500\n").delaySeconds, 2);
    EXPECT_EQ(load("Time=3500\n").delaySeconds, 4);
    EXPECT_EQ(load("Time=0x7D0\n").delaySeconds, 2);
    OptionsState big = load("Time=2000000\n");
    EXPECT_EQ(big.delaySeconds, 2000);
    EXPECT_EQ(big.delayPosition, 800);
    EXPECT_EQ(load("Time=0\n").delayPosition, 1);

    OptionsState missing = load("");
    EXPECT_EQ(missing.delaySeconds, 8);
    EXPECT_EQ(missing.delayPosition, 8);
    settings.saveOptions(missing);
    EXPECT_EQ(option("Time"), "8000");

    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
}

// One reader for the saver and the dialog: each key, its range and what a missing or malformed
// value means.
TEST_F(SettingsFileTest, EachOptionItsRangeAndItsDefault) {
    struct Case {
        const char* text;
        Options expected;
    };
    const auto C = [](int v) { return ColorSetSetting(v); };
    const auto M = [](int v) { return DisplayModeSetting(v); };
    const Case cases[] = {
        {"", {true, true, C(4), M(8), 8000, -1, -1, false, false, false, false}},
        {"Sound=0\nSeq=0\nColor=3\nPicdis=11\nTime=0\nHeight=47\nWidth=31\nFit=1\nShuffle=1\n"
         "AllScreens=1\nCaptions=1\n",
         {false, false, C(3), M(11), 0, 47, 31, true, true, true, true}},
        {"Color=1\nPicdis=1\nTime=-5\nShuffle=0\nAllScreens=0\nCaptions=0\n",
         {true, true, C(1), M(1), -5, -1, -1, false, false, false, false}},
        {"Color=0\nPicdis=0\nTime=0x7D0\nWidth=x\nShuffle=on\nAllScreens=yes\nCaptions=on\n",
         {true, true, C(4), M(8), 2000, -1, -1, false, false, false, false}},
        {"Picdis=12\n", {true, true, C(4), M(12), 8000, -1, -1, false, false, false, false}},
        {"Sound=word\nColor=5\nPicdis=13\nFit=0\nShuffle=2\nAllScreens=-1\nCaptions=2\n",
         {true, true, C(4), M(8), 8000, -1, -1, false, true, true, true}},
    };
    for (const Case& c : cases) {
        writeFile(paths.file, std::string("[Options]\n") + c.text);
        const Options o = settings.readOptions();
        const Options& e = c.expected;
        EXPECT_EQ(std::tie(o.sound, o.seq, o.color, o.picdis, o.time, o.height, o.width, o.fit,
                           o.shuffle, o.allScreens, o.captions),
                  std::tie(e.sound, e.seq, e.color, e.picdis, e.time, e.height, e.width, e.fit,
                           e.shuffle, e.allScreens, e.captions))
            << c.text;
    }
}

// The dialog's own variant: sizes below 25 show as 25, scroll positions stop at the screen, and
// a display mode the dialog has no button for is kept.
TEST_F(SettingsFileTest, TheDialogsViewOfSizesAndHiddenModes) {
    OptionsState hidden = load("Picdis=3\n");
    EXPECT_EQ(hidden.displayMode, DisplayModeSetting::PictureInPicture);
    settings.saveOptions(hidden);
    EXPECT_EQ(option("Picdis"), "3");

    OptionsState sizes = load("Height=10\nWidth=5000\n");
    EXPECT_EQ(sizes.height, 25);
    EXPECT_EQ(sizes.heightPosition, 25);
    EXPECT_EQ(sizes.width, 5000);
    EXPECT_EQ(sizes.widthPosition, 1024);
    settings.saveOptions(sizes);
    EXPECT_EQ(option("Width"), "5000");
    EXPECT_EQ(option("Height"), "25");
}

TEST_F(SettingsFileTest, SaveOrderAndKeysLeftAlone) {
    writeFile(paths.file, "[Options]\nStatus=1\nPicdis=6\n[History]\nLast Dir=/p/\n");
    OptionsState o = defaultDialogOptions(1024, 768);
    o.soundOn = true;
    o.inOrder = false;
    o.color = ColorSetSetting::GreenToYellow;
    o.displayMode.reset();  // no display-mode button checked: Picdis is not written
    o.delaySeconds = 7;
    o.height = 300;
    o.width = 400;
    o.fit = true;
    o.shuffle = true;
    o.allScreens = true;
    o.captions = true;
    settings.saveOptions(o);
    EXPECT_EQ(readFile(paths.file),
              "[Options]\nStatus=1\nPicdis=6\nSound=1\nSeq=0\nColor=3\nTime=7000\nHeight=300\n"
              "Width=400\nFit=1\nShuffle=1\nAllScreens=1\nCaptions=1\n[History]\nLast Dir=/p/\n");

    // Labels beyond what the file's integers hold are saved as the largest one, not wrapped.
    o.delaySeconds = 2147484;
    o.width = 5000000000;
    settings.saveOptions(o);
    EXPECT_EQ(option("Time"), "2147483647");
    EXPECT_EQ(option("Width"), "2147483647");

    // A refused write stops the save there.
    EXPECT_THROW(SettingsStore(dir / "missing/quillo51.ini").saveOptions(o), SettingsWriteError);
}

// The saver's start may not wait for the dialog: its "Status" write is one attempt that changes
// nothing while another writer holds the lock.
TEST_F(SettingsFileTest, TheRunningMarkIsTriedWithoutWaiting) {
    writeFile(paths.file, "[Options]\nStatus=0\n");
    {
        const IniStore::WritersLock held = IniStore(paths.file).lock();
        EXPECT_FALSE(settings.tryMarkRunning());
        EXPECT_EQ(settings.tryBegin(), nullptr);
        EXPECT_EQ(readFile(paths.file), "[Options]\nStatus=0\n");
    }
    EXPECT_TRUE(settings.tryMarkRunning());
    EXPECT_EQ(readFile(paths.file), "[Options]\nStatus=1\n");
    EXPECT_THROW(SettingsStore(dir / "missing/quillo51.ini").tryMarkRunning(), SettingsWriteError);
}

// A write killed part way leaves its temporary. Every writer removes such leftovers once it holds
// the writers' lock, also when it then changes nothing; a temporary a live writer still holds
// locked stays.
TEST_F(SettingsFileTest, EveryWriterRemovesTheTemporariesOfKilledWrites) {
    const std::pair<const char*, std::function<void()>> writers[] = {
        {"the saver's start, Status already 1", [&] { EXPECT_TRUE(settings.tryMarkRunning()); }},
        {"the dialog's start, a saver made the file",
         [&] { EXPECT_FALSE(settings.createNewFile()); }},
        {"Ok - Save", [&] { settings.saveOptions(defaultDialogOptions(1024, 768)); }},
        {"Last Dir", [&] { settings.writeLastDir("/p/a.jpg"); }},
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        writeFile(paths.file, "[Options]\nStatus=1\n");
        writeFile(paths.dir + "/.quillo51.ini.Xk3p0Q", "[Opt");
        writeFile(paths.dir + "/.quillo51.ini.live01", "[Options]\nSt");
        const int live = open((paths.dir + "/.quillo51.ini.live01").c_str(), O_RDONLY);
        ASSERT_EQ(flock(live, LOCK_EX), 0);
        write();
        close(live);
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(paths.dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{".quillo51.ini.live01", ".quillo51.ini.lock",
                                                   "quillo51.ini"}));
        std::filesystem::remove(paths.dir + "/.quillo51.ini.live01");
    }
}

TEST_F(SettingsFileTest, LastDir) {
    std::filesystem::create_directory(dir / "pics");
    EXPECT_EQ(settings.readLastDir("/fallback"), "/fallback");
    settings.writeLastDir(dir / "pics/a.jpg");
    EXPECT_EQ(IniFile(paths.file).readString("History", "Last Dir", ""), dir / "pics/");
    EXPECT_EQ(settings.readLastDir("/fallback"), dir / "pics/");
    std::filesystem::remove(dir / "pics");
    EXPECT_EQ(settings.readLastDir("/fallback"), "/fallback");
}
