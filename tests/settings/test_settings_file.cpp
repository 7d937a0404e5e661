#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Errors.h"
#include "IniFile.h"
#include "Rounding.h"
#include "SettingsFile.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.path()};
    ScriptedBoxes boxes;

    void SetUp() override { InitSettingsPaths(boxes); }

    // Loads an "Options" section as the dialog does on a 1024 by 768 screen.
    OptionsState load(const std::string& options) {
        writeFile(SettingsFile, "[Options]\n" + options);
        OptionsState o = defaultDialogOptions(1024, 768);
        SlotTables slots;
        LoadSettings(o, slots);
        return o;
    }
    std::string option(const std::string& key) {
        return IniFile(SettingsFile).readString("Options", key, "<missing>");
    }
};

}  // namespace

TEST_F(SettingsFileTest, PathsAndFolder) {
    EXPECT_EQ(SettingsDir, dir.path() + "/Quillo");
    EXPECT_EQ(SettingsFile, dir.path() + "/Quillo/quillo51.ini");
    EXPECT_TRUE(std::filesystem::is_directory(SettingsDir));
    EXPECT_TRUE(boxes.shown.empty());

    // A configuration folder that does not exist yet is made along the way.
    ScopedEnv fresh("XDG_CONFIG_HOME", dir / "fresh/config");
    InitSettingsPaths(boxes);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "fresh/config/Quillo"));
    EXPECT_TRUE(boxes.shown.empty());

    // A folder that cannot be made: the warning, and the paths are set all the same.
    writeFile(dir / "plainfile", "");
    ScopedEnv blocked("XDG_CONFIG_HOME", dir / "plainfile");
    InitSettingsPaths(boxes);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(boxes.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(boxes.shown[0].text,
              "Could not create a folder as you do not have authority on your system. Please "
              "right click this software icon on your desktop, and choose the option to \"Run as "
              "Admin\" (only needs to be done one time), as you currently do not have authority "
              "to create a new folder.");
    EXPECT_EQ(SettingsFile, dir.path() + "/plainfile/Quillo/quillo51.ini");
}

TEST_F(SettingsFileTest, DefaultFileContent) {
    SlotTables slots;
    slots.PictureSlots[7] = "/x.jpg";
    slots.SoundSlots[999] = "/y.wav";
    CreateDefaultSettings(&slots);
    std::string expected =
        "[Options]\nSound=0\nStatus=1\nSeq=0\nRepeat=0\nTime=2000\nColor=4\nPicdis=11\n"
        "Height=25\nWidth=25\n";
    for (const char* section : {"JpegConfig", "WavConfig"}) {
        expected += std::string("[") + section + "]\n";
        for (int n = 1; n <= 1000; ++n) expected += "Name" + std::to_string(n) + "=Null\n";
    }
    EXPECT_EQ(readFile(SettingsFile), expected);
    EXPECT_EQ(slots.PictureSlots[7], "Null");
    EXPECT_EQ(slots.SoundSlots[999], "Null");
    // Beside it only the writers' lock; the list of a person's pictures is theirs alone.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(SettingsDir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".quillo51.ini.lock", "quillo51.ini"}));
    EXPECT_EQ(std::filesystem::status(SettingsDir).permissions(), std::filesystem::perms(0700));
    EXPECT_EQ(std::filesystem::status(SettingsFile).permissions(), std::filesystem::perms(0600));

    // Loading the new file: what the saver and a reopened dialog see.
    OptionsState o = defaultDialogOptions(1024, 768);
    LoadSettings(o, slots);
    EXPECT_FALSE(o.soundOn);
    EXPECT_FALSE(o.inOrder);
    EXPECT_EQ(o.picdis, 11);
    EXPECT_EQ(o.lblDelay, "2");
    EXPECT_EQ(slots.PictureSlots[999], "Null");

    // A file another process made since the caller looked is left as it is.
    IniFile(SettingsFile).writeString("JpegConfig", "Name1", "/a.jpg");
    slots.PictureSlots[0] = "/a.jpg";
    EXPECT_FALSE(CreateDefaultSettings(&slots));
    EXPECT_EQ(IniFile(SettingsFile).readString("JpegConfig", "Name1", ""), "/a.jpg");
    EXPECT_EQ(slots.PictureSlots[0], "/a.jpg");
}

TEST_F(SettingsFileTest, LoadDelay) {
    EXPECT_EQ(load("Time=2500\n").lblDelay, "2");
    EXPECT_EQ(load("Time=3500\n").lblDelay, "4");
    EXPECT_EQ(load("Time=0x7D0\n").lblDelay, "2");
    OptionsState big = load("Time=2000000\n");
    EXPECT_EQ(big.lblDelay, "2000");
    EXPECT_EQ(big.delayPosition, 800);
    EXPECT_EQ(load("Time=0\n").delayPosition, 1);

    OptionsState missing = load("");
    EXPECT_EQ(missing.lblDelay, "8");
    EXPECT_EQ(missing.delayPosition, 8);
    SaveOptions(missing);
    EXPECT_EQ(option("Time"), "8000");

    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(2.4999), 2);
    EXPECT_EQ(roundHalfEven(2.5001), 3);
}

TEST_F(SettingsFileTest, LoadChoicesAndSizes) {
    for (const char* v : {"Picdis=8\n", "Picdis=0\n", "Picdis=12\n", ""})
        EXPECT_EQ(load(v).picdis, 8) << v;
    OptionsState hidden = load("Picdis=3\n");
    EXPECT_EQ(hidden.picdis, 3);
    SaveOptions(hidden);
    EXPECT_EQ(option("Picdis"), "3");

    for (const char* v : {"Color=0\n", "Color=5\n", ""}) EXPECT_EQ(load(v).color, 4) << v;
    EXPECT_EQ(load("Color=2\n").color, 2);

    OptionsState words = load("Sound=word\nSeq=0\n");
    EXPECT_TRUE(words.soundOn);
    EXPECT_FALSE(words.inOrder);
    EXPECT_FALSE(load("Sound=0\n").soundOn);

    OptionsState sizes = load("Height=10\nWidth=5000\n");
    EXPECT_EQ(sizes.lblHeight, "25");
    EXPECT_EQ(sizes.heightPosition, 25);
    EXPECT_EQ(sizes.lblWidth, "5000");
    EXPECT_EQ(sizes.widthPosition, 1024);
    SaveOptions(sizes);
    EXPECT_EQ(option("Width"), "5000");
    EXPECT_EQ(option("Height"), "25");
}

TEST_F(SettingsFileTest, SaveOrderAndKeysLeftAlone) {
    writeFile(SettingsFile, "[Options]\nStatus=1\nPicdis=6\n[History]\nLast Dir=/p/\n");
    OptionsState o = defaultDialogOptions(1024, 768);
    o.soundOn = true;
    o.inOrder = false;
    o.color = 3;
    o.picdis = 0;  // no display-mode button checked: Picdis is not written
    o.lblDelay = "7";
    o.lblHeight = "300";
    o.lblWidth = "400";
    o.fit = true;
    SaveOptions(o);
    EXPECT_EQ(readFile(SettingsFile),
              "[Options]\nStatus=1\nPicdis=6\nSound=1\nSeq=0\nColor=3\nTime=7000\nHeight=300\n"
              "Width=400\nFit=1\n[History]\nLast Dir=/p/\n");

    // A refused write stops the save there.
    SettingsFile = dir / "missing/quillo51.ini";
    EXPECT_THROW(SaveOptions(o), SettingsWriteError);
}

TEST_F(SettingsFileTest, LastDir) {
    std::filesystem::create_directory(dir / "pics");
    EXPECT_EQ(ReadLastDir("/fallback"), "/fallback");
    WriteLastDir(dir / "pics/a.jpg");
    EXPECT_EQ(IniFile(SettingsFile).readString("History", "Last Dir", ""), dir / "pics/");
    EXPECT_EQ(ReadLastDir("/fallback"), dir / "pics/");
    std::filesystem::remove(dir / "pics");
    EXPECT_EQ(ReadLastDir("/fallback"), "/fallback");
}
