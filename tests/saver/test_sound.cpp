#include <gtest/gtest.h>
#include <sys/stat.h>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SaverWindow.h"
#include "ScriptedMediaPlayer.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

namespace {

using Log = std::vector<std::string>;

struct SoundSaver {
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.path()};
    HeadlessHost host{{320, 240}};
    EventLoop loop{host};
    FakeSystemServices services;
    ScriptedMediaPlayer player{loop};
    SaverWindow form{host, loop, services, &player};
    std::vector<std::string> errors;

    // Starts the saver with these sound files (created) and no pictures.
    void start(const std::vector<std::string>& sounds, bool sound = true) {
        loop.setErrorDisplay([this](const std::exception& e) { errors.push_back(e.what()); });
        mkdir((dir / "Quillo").c_str(), 0700);
        std::string text = std::string("[Options]\nSound=") + (sound ? "1" : "0") + "\n";
        for (const char* section : {"[JpegConfig]\n", "[WavConfig]\n"}) {
            text += section;
            for (std::size_t n = 1; n <= 1000; ++n) {
                const bool listed = section[1] == 'W' && n <= sounds.size();
                if (listed) writeFile(sounds[n - 1], "sound");
                text += "Name" + std::to_string(n) + "=" + (listed ? sounds[n - 1] : "Null") + "\n";
            }
        }
        writeFile(dir / "Quillo/quillo51.ini", text);
        loop.guarded([&] { form.FormCreate(); });
        form.Show();
        loop.processMessages();
    }
    // A display tick's sound step with NextSoundFile as the last picture choice left it.
    void tick(const std::string& next) {
        form.NextSoundFile = next;
        form.SoundStep();
        loop.processMessages();
    }
};

}  // namespace

TEST(SaverSound, PlaysEntryOneThenTheLatestPickWhenStopped) {
    SoundSaver s;
    const std::string a = s.dir / "a.mp3", b = s.dir / "b.wav", c = s.dir / "c.mid";
    s.start({a, b, c});
    EXPECT_EQ(s.player.log, (Log{"open " + a, "play"}));
    // Still playing: the tick leaves it alone, whatever was picked.
    s.tick(c);
    EXPECT_EQ(s.player.log.size(), 2u);
    // The end of the file: the notice stops the player, the next tick starts the latest pick.
    s.player.finish();
    s.loop.processMessages();
    EXPECT_EQ(s.player.mode(), PlayerMode::Stopped);
    s.form.NextSoundFile = b;  // an earlier pick, superseded before the tick
    s.tick(c);
    EXPECT_EQ(s.player.log, (Log{"open " + a, "play", "stop", "close", "open " + c, "play"}));
    // One file again and again, and a file that ends right before a tick whose notice is still
    // queued: the tick starts the next file, the late notice does not cut it.
    s.player.finish();
    s.form.SoundStep();
    s.loop.processMessages();
    EXPECT_EQ(s.player.file, c);
    EXPECT_EQ(s.player.mode(), PlayerMode::Playing);
    EXPECT_TRUE(s.errors.empty());
    EXPECT_TRUE(s.host.boxes.empty());
}

TEST(SaverSound, AFailedOpenSwitchesSoundOffSilently) {
    struct Case {
        const char* name;
        bool failAtStart;
    };
    for (const Case& k : {Case{"at start", true}, Case{"at a tick", false}}) {
        SCOPED_TRACE(k.name);
        SoundSaver s;
        const std::string a = s.dir / "a.wav", gone = s.dir / "gone.mp3";
        if (k.failAtStart) s.player.unplayable.insert(a);
        s.player.unplayable.insert(gone);
        s.start({a});
        if (!k.failAtStart) {
            EXPECT_TRUE(s.form.Sound);
            s.player.finish();
            s.loop.processMessages();
            s.tick(gone);
        }
        EXPECT_FALSE(s.form.Sound);
        EXPECT_EQ(s.player.file, "");  // the previous file is closed all the same
        const std::size_t calls = s.player.log.size();
        s.tick(a);
        EXPECT_EQ(s.player.log.size(), calls);
        EXPECT_TRUE(s.errors.empty());
        EXPECT_TRUE(s.host.boxes.empty());
    }
}

TEST(SaverSound, NothingOpensWithSoundOffOrAnEmptyList) {
    SoundSaver off;
    off.start({off.dir / "a.wav"}, false);
    SoundSaver empty;
    empty.start({});
    for (SoundSaver* s : {&off, &empty}) {
        s->tick(s->dir / "a.wav");
        EXPECT_TRUE(s->player.log.empty());
        EXPECT_EQ(s->player.mode(), PlayerMode::NotReady);
    }
}

TEST(SaverSound, ShutdownStopsAPlayingFileBeforeTheWindowCloses) {
    SoundSaver s;
    s.start({s.dir / "a.mp3"});
    bool windowOpenAtStop = false;
    s.player.onStop = [&] { windowOpenAtStop = s.host.windowOpen(); };
    s.host.queueInput({msg::KeyDown, 0, 0});
    s.loop.processMessages();
    EXPECT_TRUE(s.form.closed());
    EXPECT_EQ(s.player.log.back(), "stop");
    EXPECT_TRUE(windowOpenAtStop);
    EXPECT_EQ(s.player.mode(), PlayerMode::Stopped);
}
