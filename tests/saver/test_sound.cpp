#include <gtest/gtest.h>
#include <sys/stat.h>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SaverWindow.h"
#include "ScriptedMediaPlayer.h"
#include "SlideShowFixture.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

using Log = std::vector<std::string>;

// A saver with these sound files (made here) and no pictures.
void startWithSounds(SlideShow& s, const std::vector<std::string>& sounds, bool sound = true) {
    for (const std::string& file : sounds) writeFile(file, "sound");
    s.start({{"Sound", sound ? "1" : "0"}}, {}, sounds);
}

// A display tick's sound step with the next file as the last picture choice left it.
void soundTick(SlideShow& s, const std::string& next) {
    s.form.sound().setNext(next);
    s.form.sound().tick();
    s.loop.processMessages();
}

}  // namespace

TEST(SaverSound, PlaysEntryOneThenTheLatestPickWhenStopped) {
    SlideShow s({320, 240});
    const std::string a = s.dir / "a.mp3", b = s.dir / "b.wav", c = s.dir / "c.mid";
    startWithSounds(s, {a, b, c});
    EXPECT_EQ(s.player.log, (Log{"open " + a, "play"}));
    // Still playing: the tick leaves it alone, whatever was picked.
    soundTick(s, c);
    EXPECT_EQ(s.player.log.size(), 2u);
    // The end of the file: the notice stops the player, the next tick starts the latest pick.
    s.player.finish();
    s.loop.processMessages();
    EXPECT_EQ(s.player.mode(), PlayerMode::Stopped);
    s.form.sound().setNext(b);  // an earlier pick, superseded before the tick
    soundTick(s, c);
    EXPECT_EQ(s.player.log, (Log{"open " + a, "play", "stop", "close", "open " + c, "play"}));
    // One file again and again, and a file that ends right before a tick whose notice is still
    // queued: the tick starts the next file, the late notice does not cut it.
    s.player.finish();
    s.form.sound().tick();
    s.loop.processMessages();
    EXPECT_EQ(s.player.file, c);
    EXPECT_EQ(s.player.mode(), PlayerMode::Playing);
    EXPECT_TRUE(s.errors.empty());
    EXPECT_TRUE(s.host.boxes.empty());
}

TEST(SaverSound, WithoutTheClaimQuietUntilATickGetsIt) {
    // Savers side by side: another holds the sound, then ends, and this one takes over at its
    // next tick with the latest pick.
    SlideShow s({320, 240});
    const std::string a = s.dir / "a.mp3", b = s.dir / "b.wav";
    bool free = false;
    int asked = 0;
    s.parameters.claimSound = [&] {
        ++asked;
        return free;
    };
    startWithSounds(s, {a, b});
    EXPECT_TRUE(s.player.log.empty());
    soundTick(s, b);
    EXPECT_TRUE(s.player.log.empty());
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(s.form.sound().on());
    free = true;
    soundTick(s, b);
    EXPECT_EQ(s.player.log, (Log{"open " + b, "play"}));
    // Held now: a tick while it plays neither asks nor cuts it.
    soundTick(s, a);
    EXPECT_EQ(s.player.log.size(), 2u);
    EXPECT_EQ(asked, 3);
}

TEST(SaverSound, AFailedOpenSwitchesSoundOffSilently) {
    struct Case {
        const char* name;
        bool failAtStart;
    };
    for (const Case& k : {Case{"at start", true}, Case{"at a tick", false}}) {
        SCOPED_TRACE(k.name);
        SlideShow s({320, 240});
        const std::string a = s.dir / "a.wav", gone = s.dir / "gone.mp3";
        if (k.failAtStart) s.player.unplayable.insert(a);
        s.player.unplayable.insert(gone);
        startWithSounds(s, {a});
        if (!k.failAtStart) {
            EXPECT_TRUE(s.form.sound().on());
            s.player.finish();
            s.loop.processMessages();
            soundTick(s, gone);
        }
        EXPECT_FALSE(s.form.sound().on());
        EXPECT_EQ(s.player.file, "");  // the previous file is closed all the same
        const std::size_t calls = s.player.log.size();
        soundTick(s, a);
        EXPECT_EQ(s.player.log.size(), calls);
        EXPECT_TRUE(s.errors.empty());
        EXPECT_TRUE(s.host.boxes.empty());
    }
}

TEST(SaverSound, NothingOpensWithSoundOffOrAnEmptyList) {
    SlideShow off({320, 240});
    startWithSounds(off, {off.dir / "a.wav"}, false);
    SlideShow empty({320, 240});
    startWithSounds(empty, {});
    for (SlideShow* s : {&off, &empty}) {
        soundTick(*s, s->dir / "a.wav");
        EXPECT_TRUE(s->player.log.empty());
        EXPECT_EQ(s->player.mode(), PlayerMode::NotReady);
    }
}

TEST(SaverSound, ShutdownStopsAPlayingFileBeforeTheWindowCloses) {
    SlideShow s({320, 240});
    startWithSounds(s, {s.dir / "a.mp3"});
    bool windowOpenAtStop = false;
    s.player.onStop = [&] { windowOpenAtStop = s.host.windowOpen(); };
    s.host.queueInput(keyEvent(true));
    s.loop.processMessages();
    EXPECT_TRUE(s.form.closed());
    EXPECT_EQ(s.player.log.back(), "stop");
    EXPECT_TRUE(windowOpenAtStop);
    EXPECT_EQ(s.player.mode(), PlayerMode::Stopped);
}

TEST(SaverSound, TheDisplayTickStartsTheNextFileOnceThePlayerStopped) {
    // One sound file plays again and again, each time from the first tick after it ended.
    SlideShow s({320, 240});
    const std::string a = s.dir / "a.wav";
    writeFile(a, "sound");
    s.start({{"Sound", "1"}, {"Picdis", "1"}, {"Time", "5000"}},
            {s.picture("p.bmp", 10, 10, clRed)}, {a});
    s.runTick();  // still playing: the tick leaves it alone
    EXPECT_EQ(s.player.log, (Log{"open " + a, "play"}));
    s.player.finish();
    s.loop.processMessages();
    EXPECT_EQ(s.player.log.size(), 3u);  // the notice stopped it; nothing opens before a tick
    s.runTick();
    EXPECT_EQ(s.player.log, (Log{"open " + a, "play", "stop", "close", "open " + a, "play"}));
}
