// How soon the user hears a sound file: from the tick's sound step (close, open, play) to the
// first samples SDL's disk audio driver writes, for a WAV and an MP3 tone. The baseline is
// reading the same file's bytes, the least any player must do before it can make a sound.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <vector>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SdlMediaPlayer.h"
#include "SoundFiles.h"
#include "SoundPlayback.h"
#include "TestSupport.h"

namespace {

using namespace quillo;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct Sounds {
    test::TempDir dir;
    std::string wav = dir / "tone.wav", mp3 = dir / "tone.mp3", raw = dir / "out.raw";
    bool haveMp3;
    Sounds() {
        test::writeToneWav(wav, 10);
        haveMp3 = test::writeToneMp3(mp3, 10);
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", raw.c_str(), 1);
    }
};
Sounds& sounds() {
    static Sounds s;
    return s;
}

std::size_t fileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? std::size_t(st.st_size) : 0;
}

// True once a frame that is not silent appears in the driver's file after `offset`.
bool soundAfter(const std::string& raw, std::size_t offset) {
    const int fd = open(raw.c_str(), O_RDONLY);
    if (fd < 0) return false;
    std::vector<char> buf(1 << 16);
    bool loud = false;
    ssize_t n;
    while (!loud && (n = pread(fd, buf.data(), buf.size(), off_t(offset))) > 0) {
        for (ssize_t i = 0; i < n && !loud; ++i) loud = buf[std::size_t(i)] != 0;
        offset += std::size_t(n);
    }
    close(fd);
    return loud;
}

void soundTickToSamples(benchmark::State& state, bool mp3) {
    Sounds& s = sounds();
    if (mp3 && !s.haveMp3) {
        state.SkipWithError("no lame encoder");
        return;
    }
    const std::string file = mp3 ? s.mp3 : s.wav;
    HeadlessHost host;
    EventLoop loop(host);
    SdlMediaPlayer player(loop);
    SoundPlayback sound(player);
    // The device is open and the player stopped, as after a finished file.
    sound.start({file}, true);
    player.stop();
    loop.processMessages();
    double stepSeconds = 0;
    for (auto _ : state) {
        // Let the silence after the last stop reach the file, so only the new play is loud.
        std::this_thread::sleep_for(150ms);
        const std::size_t offset = fileSize(s.raw);
        const auto start = Clock::now();
        sound.tick();
        stepSeconds += std::chrono::duration<double>(Clock::now() - start).count();
        while (!soundAfter(s.raw, offset)) std::this_thread::sleep_for(200us);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        player.stop();
        loop.processMessages();
    }
    // The part of the wait the user-interface thread spends in the step itself.
    state.counters["step_ms"] =
        benchmark::Counter(stepSeconds * 1e3, benchmark::Counter::kAvgIterations);
    if (!sound.on()) state.SkipWithError("the file did not open");
}

void readBytes(benchmark::State& state, bool mp3) {
    Sounds& s = sounds();
    const std::string file = mp3 ? s.mp3 : s.wav;
    std::vector<char> buf(fileSize(file));
    for (auto _ : state) {
        const int fd = open(file.c_str(), O_RDONLY);
        benchmark::DoNotOptimize(read(fd, buf.data(), buf.size()));
        close(fd);
    }
}

void BM_SoundTickToSamples_Wav(benchmark::State& state) {
    soundTickToSamples(state, false);
}
void BM_SoundTickToSamples_Mp3(benchmark::State& state) {
    soundTickToSamples(state, true);
}
void BM_ReadFile_Wav(benchmark::State& state) {
    readBytes(state, false);
}
void BM_ReadFile_Mp3(benchmark::State& state) {
    readBytes(state, true);
}

BENCHMARK(BM_SoundTickToSamples_Wav)
    ->UseManualTime()
    ->Iterations(8)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SoundTickToSamples_Mp3)
    ->UseManualTime()
    ->Iterations(8)
    ->Repetitions(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFile_Wav)->Repetitions(3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadFile_Mp3)->Repetitions(3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
