// The SDL2_mixer player on SDL's disk audio driver: what it writes is what a listener hears.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Errors.h"
#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SdlMediaPlayer.h"
#include "SoundFiles.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;
using namespace std::chrono_literals;

namespace {

// Deadlines no working device comes near, even on a machine that is busy with other work: the
// cases below test what the device does, not how fast it is.
constexpr std::chrono::milliseconds kPatient = 60s;

// Each case leaves no audio device open behind it: SDL_mixer's device is one per process, so a
// device left open would answer the next case's open in its stead.
class SdlMediaPlayerTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(SdlMediaPlayer::devicesOpen(), 0); }
};

struct DiskPlayer {
    TempDir dir;
    std::string raw = dir / "out.raw";
    ScopedEnv driver{"SDL_AUDIODRIVER", "disk"};
    ScopedEnv file{"SDL_DISKAUDIOFILE", raw};
    HeadlessHost host;
    EventLoop loop{host};
    std::vector<Event> notices;
    std::vector<std::thread::id> noticeThreads;
    std::unique_ptr<SdlMediaPlayer> player =
        std::make_unique<SdlMediaPlayer>(loop, kPatient, kPatient);

    DiskPlayer() {
        loop.setDispatcher([this](const Event& m) {
            if (m.kind != EventKind::SoundFinished) return;
            notices.push_back(m);
            noticeThreads.push_back(std::this_thread::get_id());
        });
    }
    // Handles messages in real time until `count` notices came or the time is up.
    bool waitNotices(std::size_t count, std::chrono::milliseconds limit) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (notices.size() < count && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(5ms);
            loop.processMessages();
        }
        return notices.size() >= count;
    }
    // Closes the device, so everything mixed is in the file.
    HeardSound heard() {
        player.reset();
        return listen(raw);
    }
};

}  // namespace

TEST_F(SdlMediaPlayerTest, TonesAndMidiAreHeardForTheirLength) {
    struct Case {
        const char* name;
        double seconds;
    };
    for (const Case& k : {Case{"tone.wav", 0.6}, Case{"tone.mp3", 0.6}, Case{"note.mid", 0.8}}) {
        SCOPED_TRACE(k.name);
        DiskPlayer p;
        const std::string path = p.dir / k.name;
        const std::string ext = path.substr(path.size() - 3);
        if (ext == "wav") writeToneWav(path, k.seconds);
        if (ext == "mp3" && !writeToneMp3(path, k.seconds)) GTEST_SKIP() << "no lame encoder";
        if (ext == "mid") writeMidiNote(path, k.seconds);
        EXPECT_EQ(p.player->mode(), PlayerMode::NotReady);
        p.player->open(path);
        EXPECT_EQ(p.player->mode(), PlayerMode::Stopped);
        p.player->play();
        EXPECT_EQ(p.player->mode(), PlayerMode::Playing);
        ASSERT_TRUE(p.waitNotices(1, 10s));
        EXPECT_EQ(p.notices[0].outcome, notice::Successful);
        EXPECT_EQ(p.player->mode(), PlayerMode::Stopped);
        const HeardSound h = p.heard();
        // A sine of amplitude 12000/32768 has an RMS of 0.26; the piano's note decays.
        EXPECT_GT(h.rms, ext == "mid" ? 0.01 : 0.2);
        // MP3 adds encoder delay and padding, the piano its release.
        EXPECT_NEAR(h.loudTo - h.loudFrom, k.seconds, ext == "mid" ? 0.5 : 0.1);
    }
}

TEST_F(SdlMediaPlayerTest, OneNoticePerPlayOnTheLoopThread) {
    DiskPlayer p;
    const std::string wav = p.dir / "long.wav";
    writeToneWav(wav, 5);
    p.player->open(wav);
    p.player->play();
    std::this_thread::sleep_for(100ms);
    // A stop waits, cuts the play short and reports it once.
    p.player->stop();
    EXPECT_EQ(p.player->mode(), PlayerMode::Stopped);
    ASSERT_TRUE(p.waitNotices(1, 2s));
    EXPECT_EQ(p.notices[0].outcome, notice::Aborted);
    p.player->stop();
    // A second play runs to its end; closing at the end adds nothing.
    writeToneWav(wav, 0.2);
    p.player->open(wav);
    p.player->play();
    ASSERT_TRUE(p.waitNotices(2, 5s));
    p.player->close();
    EXPECT_EQ(p.player->mode(), PlayerMode::NotReady);
    EXPECT_FALSE(p.waitNotices(3, 300ms));
    EXPECT_EQ(p.notices[1].outcome, notice::Successful);
    EXPECT_EQ(p.notices[1].play, 2);
    for (const auto& id : p.noticeThreads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(SdlMediaPlayerTest, BadFilesFailToOpenOrEndByThemselves) {
    DiskPlayer p;
    std::string mp3 = p.dir / "whole.mp3";
    const bool haveMp3 = writeToneMp3(mp3, 1);
    writeToneWav(p.dir / "short.wav", 0.1);
    std::string lying = readFile(p.dir / "short.wav");
    lying.replace(40, 4, "\xff\xff\xff\x7f");  // data size far beyond the file's end
    std::string noise;
    for (int i = 0; i < 4000; ++i) noise += char(i * 7919 % 251);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"empty.wav", ""},
        {"truncated.mp3", haveMp3 ? readFile(mp3).substr(0, 900) : noise},
        {"lying.wav", lying},
        {"random.mid", "MThd" + noise},
        {"text.mp3", "just some words, no sound at all\n"},
        {"noise.wav", noise},
    };
    for (const auto& [name, bytes] : files) writeFile(p.dir / name, bytes);
    mkdir((p.dir / "folder.mp3").c_str(), 0700);
    mkfifo((p.dir / "pipe.mp3").c_str(), 0600);
    std::vector<std::string> names = {"gone.wav", "folder.mp3", "pipe.mp3"};
    for (const auto& f : files) names.push_back(f.first);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::size_t before = p.notices.size();
        try {
            p.player->open(p.dir / name);
        } catch (const MediaDeviceError&) {
            EXPECT_EQ(p.player->mode(), PlayerMode::NotReady);
            continue;
        }
        p.player->play();
        EXPECT_TRUE(p.waitNotices(before + 1, 5s));
    }
}

TEST_F(SdlMediaPlayerTest, NoAudioDeviceFailsAtOnce) {
    TempDir dir;
    writeToneWav(dir / "a.wav", 0.1);
    ScopedEnv driver("SDL_AUDIODRIVER", "no-such-driver");
    HeadlessHost host;
    EventLoop loop(host);
    SdlMediaPlayer player(loop, kPatient, kPatient);
    EXPECT_THROW(player.open(dir / "a.wav"), MediaDeviceError);
    // The driver said no: no deadline ran out.
    EXPECT_FALSE(player.failed());
    EXPECT_EQ(player.mode(), PlayerMode::NotReady);
}

TEST_F(SdlMediaPlayerTest, ADeviceThatNeverAnswersFailsAfterTheDeadline) {
    // The saver's own deadline for an open.
    EXPECT_EQ(SdlMediaPlayer::kOpenDeadline, 1000ms);
    // SDL's disk driver opening a FIFO that nobody reads blocks inside the device's open.
    TempDir dir;
    writeToneWav(dir / "a.wav", 0.1);
    const std::string sink = dir / "sink";
    mkfifo(sink.c_str(), 0600);
    ScopedEnv driver("SDL_AUDIODRIVER", "disk");
    ScopedEnv file("SDL_DISKAUDIOFILE", sink);
    HeadlessHost host;
    EventLoop loop(host);
    const auto start = std::chrono::steady_clock::now();
    {
        SdlMediaPlayer player(loop, 100ms, 100ms);
        EXPECT_THROW(player.open(dir / "a.wav"), MediaDeviceError);
        EXPECT_TRUE(player.failed());
        EXPECT_EQ(player.mode(), PlayerMode::NotReady);
        EXPECT_THROW(player.open(dir / "a.wav"), MediaDeviceError);
        EXPECT_FALSE(player.shutDown());
    }
    // The open waited for its deadline; then nothing waits for the stuck device, the player's
    // end included (a wait would last for ever: no bound below races the machine).
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, 100ms);
    EXPECT_LT(waited, 30s);

    // A reader lets the stuck open through; the worker then closes the device by itself, which
    // ends the FIFO's data.
    const int fd = ::open(sink.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    bool ended = false;
    const auto limit = std::chrono::steady_clock::now() + kPatient;
    while ((!ended || SdlMediaPlayer::devicesOpen() > 0) &&
           std::chrono::steady_clock::now() < limit) {
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) ended = true;
        if (n <= 0) std::this_thread::sleep_for(5ms);
    }
    ::close(fd);
    EXPECT_TRUE(ended);
}
