#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "IniFile.h"
#include "SaverWindow.h"
#include "ScriptedMediaPlayer.h"
#include "SettingsStore.h"
#include "SlideShowFixture.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

TEST(SaverStart, FirstStartMakesTheDefaultsAndWaitsOnWhite) {
    SlideShow s;
    s.start();
    const std::string file = readFile(s.ini());
    EXPECT_EQ(file.rfind("[Options]\nSound=0\nStatus=1\nSeq=0\nRepeat=0\nTime=2000\n", 0), 0u);
    EXPECT_TRUE(s.host.windowOpen());
    EXPECT_EQ(s.host.windowTitle(), "zadarovi");
    EXPECT_EQ(s.host.cursorCount(), -1);
    EXPECT_EQ(s.services.runningStates, std::vector<bool>{true});
    EXPECT_EQ(s.form.startCursorPos(), (Point{100, 100}));
    EXPECT_FALSE(s.form.displayTimer().enabled());
    EXPECT_TRUE(s.form.show().infoLabel().visible());
    EXPECT_EQ(s.form.show().infoLabel().text(), kNoPicturesText);
    const Bitmap& frame = *s.host.frame();
    EXPECT_EQ(frame.pixel(0, 0), clWhite);
    EXPECT_EQ(frame.pixel(799, 599), clWhite);
    int textPixels = 0;
    for (int y = 223; y < 329; ++y)
        for (int x = 60; x < 529; ++x) textPixels += frame.pixel(x, y) == clBlack;
    EXPECT_GT(textPixels, 100);
    // Time passes: no timer runs, a key still ends it.
    s.host.advance(60'000);
    s.loop.processMessages();
    s.host.queueInput(keyEvent(true));
    s.loop.processMessages();
    EXPECT_TRUE(s.form.closed());
    EXPECT_EQ(s.services.runningStates, (std::vector<bool>{true, false}));
}

TEST(SaverStart, ReadsOptionsAndListsOnce) {
    SlideShow s;
    const std::string a = s.dir / "a.jpg", b = s.dir / "b.bmp", c = s.dir / "c c.jpeg";
    for (const auto& p : {a, b, c}) writeFile(p, "x");
    // Every slot must be present: a missing key reads as a blank, which is a missing file.
    std::string text = "[Options]\nSound=0\nSeq=0\nColor=0x2\nPicdis=13\nTime=abc\n[JpegConfig]\n";
    for (int n = 1; n <= 1000; ++n) {
        const std::string value = n == 3      ? a
                                  : n == 7    ? b
                                  : n == 1000 ? c
                                  : n == 2    ? "null"
                                              : "NULL";
        text += "Name" + std::to_string(n) + "=" + value + "\n";
    }
    s.writeIni(text);
    s.start();
    EXPECT_EQ(s.form.playlist().pictures(), (std::vector<std::string>{a, b, c}));
    EXPECT_FALSE(s.form.options().seq);
    EXPECT_EQ(s.form.options().color, ColorSetSetting::NavyToMaroon);
    EXPECT_EQ(s.form.options().picdis, DisplayModeSetting::RollDown);
    EXPECT_EQ(s.form.options().time, 8000);
    EXPECT_TRUE(s.form.displayTimer().enabled());
    EXPECT_FALSE(s.form.show().infoLabel().visible());
    EXPECT_NE(readFile(s.ini()).find("Status=1"), std::string::npos);
    // The first tick comes after 1000 ms and switches to the configured delay.
    s.host.advance(1000);
    s.loop.processMessages();
    EXPECT_EQ(s.form.displayTimer().interval(), 8000u);
}

TEST(SaverStart, MissingFilesEndTheListsAsDocumented) {
    SlideShow s;
    const std::string one = s.dir / "one.jpg";
    writeFile(one, "x");
    std::string text = "[Options]\nSound=1\n[JpegConfig]\n";
    // Slots without a key read as blanks, which are missing files: mark the rest free.
    for (int n = 1; n <= 1000; ++n)
        text += "Name" + std::to_string(n) + "=" + (n <= 10 ? one : "Null") + "\n";
    text += "[WavConfig]\nName1=" + one + "\nName2=" + one + "\nName3=" + s.dir / "gone.mp3" + "\n";
    s.writeIni(text);
    s.start();
    // A missing sound file turns sound off for the run; the pictures of later slots still count.
    EXPECT_EQ(s.form.playlist().size(), 10);
    EXPECT_TRUE(s.form.sound().files().empty());
    EXPECT_FALSE(s.form.sound().on());

    SlideShow m;
    m.writeIni("[Options]\nSound=0\n[JpegConfig]\nName1=" + one + "\nName2=/nowhere/x.jpg\n");
    m.start();
    EXPECT_TRUE(m.form.playlist().empty());
    EXPECT_EQ(m.form.show().infoLabel().text(),
              "Please enter your own photos or sound files. You can easily add your own photos by "
              "selecting the settings button, then you can remove any listed pictures and add "
              "your own. File /nowhere/x.jpg does not exist in the location listed, so remove "
              "the listing or re-add it.");
    EXPECT_EQ(m.host.frame()->pixel(0, 0), clWhite);
}

TEST(SaverStart, UnwritableSettingsStopTheStartButTheSaverStaysClosable) {
    SlideShow s;
    s.writeIni("[Options]\nPicdis=1\n");
    chmod(s.ini().c_str(), 0444);
    // In a child without root's permission override; the checks report through the exit code.
    const int failures = runWithoutOverride([&] {
        s.start();
        bool ok = s.errors == std::vector<std::string>{"Unable to write to " + s.ini()};
        ok = ok && s.host.windowOpen() && s.host.frame()->pixel(0, 0) == clBlack;
        ok = ok && !s.form.show().infoLabel().visible() && !s.form.displayTimer().enabled();
        s.host.queueInput(pointerEvent(EventKind::ButtonDown, {0, 0}, MouseButton::Left));
        s.loop.processMessages();
        return ok && s.form.closed();
    });
    EXPECT_EQ(failures, 0);
}

// Another writer holding the settings lock (a dialog stopped in the middle of a write): the
// screen is covered at once, input is handled while the start waits, and after the wait the show
// runs with Status left unwritten.
TEST(SaverStart, ABusySettingsLockDelaysOnlyTheShow) {
    for (const bool key : {true, false}) {
        SlideShow s;
        const std::string red = s.picture("red.bmp", 4, 4, clRed);
        s.writeSettings({{"Picdis", "2"}, {"Time", "1000"}}, {red});
        const std::string before = readFile(s.ini());
        const int other =
            ::open((s.dir / "Quillo/.quillo51.ini.lock").c_str(), O_RDWR | O_CREAT, 0600);
        ASSERT_EQ(::flock(other, LOCK_EX), 0);
        s.start();
        EXPECT_TRUE(s.host.windowOpen());
        EXPECT_EQ(s.at(0, 0), clBlack);
        EXPECT_FALSE(s.form.displayTimer().enabled());
        s.host.advance(600);
        s.loop.processMessages();
        EXPECT_FALSE(s.form.displayTimer().enabled());
        if (key) {
            s.host.queueInput(keyEvent(true));
            s.loop.processMessages();
            EXPECT_TRUE(s.form.closed());
        } else {
            s.host.advance(450);
            s.loop.processMessages();
            EXPECT_TRUE(s.form.displayTimer().enabled());
            EXPECT_EQ(readFile(s.ini()), before);
            s.tick();
            EXPECT_EQ(s.at(400, 300), clRed);
        }
        ::close(other);
    }
}

TEST(SaverStart, UncreatableSettingsFolderWarnsAndGoesOn) {
    SlideShow s;
    ScopedEnv config("XDG_CONFIG_HOME", "/proc/quillo-cannot-exist");
    s.start();
    ASSERT_FALSE(s.host.boxes.empty());
    EXPECT_EQ(s.host.boxes.front().rfind("Warning|Could not create a folder", 0), 0u);
    EXPECT_TRUE(s.host.windowOpen());
    EXPECT_EQ(s.errors.size(), 1u);  // the defaults cannot be written either

    // A key under the warning ends the saver there: nothing of the start comes after it.
    SlideShow t;
    ScopedEnv again("XDG_CONFIG_HOME", "/proc/quillo-cannot-exist");
    t.host.inputUnderBox.push_back(keyEvent(true));
    t.start();
    EXPECT_TRUE(t.form.closed());
    EXPECT_EQ(t.host.boxes.size(), 1u);
    EXPECT_TRUE(t.errors.empty());
    EXPECT_FALSE(t.form.displayTimer().enabled());
}

TEST(SaverStart, AStartThatFailsEarlyStillEndsOnInput) {
    // The defaults cannot be written, so the start-up stops at its fourth step, before the
    // filter would be installed; each case must still give a window that a key or a move ends.
    const std::vector<std::string> cases = {"config is /dev/null", "ini is a folder",
                                            "ini is a symlink loop"};
    for (const std::string& c : cases) {
        for (const EventKind input : {EventKind::KeyDown, EventKind::Move}) {
            SCOPED_TRACE(c);
            SlideShow s;
            std::optional<ScopedEnv> devNull;
            if (c == "config is /dev/null") devNull.emplace("XDG_CONFIG_HOME", "/dev/null");
            if (c == "ini is a folder") {
                mkdir((s.dir / "Quillo").c_str(), 0700);
                mkdir(s.ini().c_str(), 0700);
            }
            if (c == "ini is a symlink loop") {
                mkdir((s.dir / "Quillo").c_str(), 0700);
                symlink(s.ini().c_str(), s.ini().c_str());
            }
            s.start();
            ASSERT_EQ(s.errors.size(), 1u);
            EXPECT_EQ(s.errors[0].rfind("Unable to write to ", 0), 0u);
            EXPECT_TRUE(s.host.windowOpen());
            s.host.queueInput(pointerEvent(input, {400, 400}));
            s.loop.processMessages();
            EXPECT_TRUE(s.form.closed());
        }
    }
}

TEST(SaverStart, ASilentSaverPlaysNoSoundWhateverTheSettings) {
    for (const bool silent : {false, true}) {
        SlideShow s;
        const std::string song = s.dir / "song.mp3";
        writeFile(song, "x");
        std::string text = "[Options]\nSound=1\n[JpegConfig]\n";
        for (int n = 1; n <= 1000; ++n) text += "Name" + std::to_string(n) + "=Null\n";
        text += "[WavConfig]\nName1=" + song + "\n";
        for (int n = 2; n <= 1000; ++n) text += "Name" + std::to_string(n) + "=Null\n";
        s.writeIni(text);
        s.parameters.silent = silent;
        s.start();
        EXPECT_EQ(s.form.sound().files().size(), 1u);
        EXPECT_EQ(s.form.sound().on(), !silent) << "silent " << silent;
        EXPECT_EQ(s.player.log.empty(), silent);
    }
}
