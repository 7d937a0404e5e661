// One display tick of each mode 1 to 6 at 1920x1080 with a 24-megapixel JPEG, against djpeg
// decoding the same file: decoding dominates, so the ratio shows what the tick adds (stretch,
// paint, present). Also the repaint of a stretched full-screen picture when only the background
// colour changes, against a copy of the frame's bytes.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SaverWindow.h"

using namespace quillo;
using namespace quillo::bench;

namespace {

// A saver at 1920x1080 showing the photo in one mode, with any further options ("Key=value"
// lines); its first tick has run.
struct Saver {
    HeadlessHost host{{1920, 1080}};
    EventLoop loop{host};
    LinuxSystemServices services;
    std::unique_ptr<SaverWindow> form;

    explicit Saver(int mode, const char* options = "") {
        const Photo& p = photo();
        mkdir((p.dir + "/Quillo").c_str(), 0700);
        std::ofstream ini(p.dir + "/Quillo/quillo51.ini", std::ios::trunc);
        ini << "[Options]\nSound=0\nColor=1\nTime=1000\nWidth=1280\nHeight=720\n"
            << options << "Picdis=" << mode << "\n[JpegConfig]\nName1=" << p.jpeg << "\n";
        for (int n = 2; n <= 1000; ++n) ini << "Name" << n << "=Null\n";
        ini.close();
        form = std::make_unique<SaverWindow>(host, loop, services);
        form->start();
        tick();
    }
    void tick() {
        host.advance(1000);
        loop.processMessages();
        loop.processMessages();  // the repaint the tick asked for
    }
};

void BM_Tick(benchmark::State& state) {
    Saver show(int(state.range(0)));
    for (auto _ : state) show.tick();
}

// Fit shrinks the photo to the screen first: decoded at 1/2, then averaged down to 1619 x 1079.
void BM_TickFit(benchmark::State& state) {
    Saver show(2, "Fit=1\n");
    for (auto _ : state) show.tick();
    // The shown width: from the first to the last column of the middle row off the background.
    const Bitmap& frame = show.form->show().form().framebuffer();
    int first = -1, last = -1;
    for (int x = 0; x < frame.width(); ++x)
        if (frame.pixel(x, frame.height() / 2) != clBlack) (first < 0 ? first : last) = x;
    state.counters["width"] = last - first + 1;
}

// Three distinct 24-megapixel photos, made as the slideshow benchmark makes its photos, once.
const std::vector<std::string>& threePhotos() {
    static const std::vector<std::string> paths = [] {
        std::vector<std::string> made;
        for (int n = 1; n <= 3; ++n) {
            const std::string path = photo().dir + "/plasma" + std::to_string(n) + ".jpg";
            const std::string command = "convert -seed " + std::to_string(n) +
                                        " -size 600x400 plasma:fractal -resize '6000x4000!' "
                                        "-attenuate 0.4 +noise Gaussian -quality 90 " +
                                        path;
            if (std::system(command.c_str()) != 0) return std::vector<std::string>{};
            made.push_back(path);
        }
        return made;
    }();
    return paths;
}

// The settings of the three-photo benchmarks: the photos in order, stretched, Time 1000; false
// when the photos could not be made.
bool writeThreePhotoSettings() {
    const std::vector<std::string>& photos = threePhotos();
    if (photos.empty()) return false;
    const Photo& p = photo();
    mkdir((p.dir + "/Quillo").c_str(), 0700);
    std::ofstream ini(p.dir + "/Quillo/quillo51.ini", std::ios::trunc);
    ini << "[Options]\nSound=0\nColor=1\nTime=1000\nPicdis=1\n[JpegConfig]\n";
    for (int n = 1; n <= 1000; ++n)
        ini << "Name" << n << "=" << (n <= 3 ? photos[std::size_t(n - 1)] : "Null") << "\n";
    return true;
}

// The time from a tick to the photo on the screen when each photo comes in order after a delay
// long enough to decode it: the wait for the worker is outside the timing. With range(0) == 0
// nothing is decoded ahead, for the peak memory without it (run each alone: the peak is the
// process's).
void BM_TickThreePhotos(benchmark::State& state) {
    if (!writeThreePhotoSettings()) {
        state.SkipWithError("convert could not make the photos");
        return;
    }
    HeadlessHost host{{1920, 1080}};
    EventLoop loop{host};
    LinuxSystemServices services;
    SaverWindow form(host, loop, services);
    SaverStart start;
    start.decodeAhead = state.range(0) != 0;
    form.start(start);
    for (auto _ : state) {
        state.PauseTiming();
        form.waitForPictureAhead();
        host.advance(1000);
        state.ResumeTiming();
        loop.processMessages();
        loop.processMessages();  // the repaint the tick asked for
    }
    form.waitForPictureAhead();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_mb"] = double(usage.ru_maxrss) / 1024.0;
}

// The time from the saver's start to its first photo on the screen, the first tick coming after
// one second of real time as the display timer's would.
void BM_FirstPhoto(benchmark::State& state) {
    if (!writeThreePhotoSettings()) {
        state.SkipWithError("convert could not make the photos");
        return;
    }
    for (auto _ : state) {
        HeadlessHost host{{1920, 1080}};
        EventLoop loop{host};
        LinuxSystemServices services;
        SaverWindow form(host, loop, services);
        const auto start = std::chrono::steady_clock::now();
        form.start();
        std::this_thread::sleep_until(start + std::chrono::seconds(1));
        host.advance(1000);
        loop.processMessages();
        loop.processMessages();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        form.waitForPictureAhead();
    }
}

// djpeg of the same three photos in turn.
void BM_DjpegThreePhotos(benchmark::State& state) {
    const std::vector<std::string>& photos = threePhotos();
    if (photos.empty()) {
        state.SkipWithError("convert could not make the photos");
        return;
    }
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string command = "djpeg -outfile /dev/null " + photos[i++ % photos.size()];
        if (std::system(command.c_str()) != 0) state.SkipWithError("djpeg failed");
    }
}

void BM_Djpeg(benchmark::State& state) {
    djpegProcess(state, photo().jpeg);
}

// Only the colour changes: the stretched picture is painted again over the new background.
void BM_RepaintStretched(benchmark::State& state) {
    Saver show(1);
    Form& form = show.form->show().form();
    int i = 0;
    for (auto _ : state) {
        form.setColor(++i % 2 ? clNavy : clBlack);
        form.repaint();
    }
}

void BM_CopyFrame(benchmark::State& state) {
    Saver show(1);
    const Bitmap& frame = show.form->show().form().framebuffer();
    std::vector<std::uint8_t> copy(frame.byteSize());
    for (auto _ : state) {
        std::memcpy(copy.data(), frame.data(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
}

#define QUILLO_BENCH(fn, n) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(n)->Repetitions(3)

QUILLO_BENCH(BM_Djpeg, 5);
QUILLO_BENCH(BM_Tick, 5)->DenseRange(1, 6);
QUILLO_BENCH(BM_TickFit, 5);
QUILLO_BENCH(BM_DjpegThreePhotos, 6);
QUILLO_BENCH(BM_TickThreePhotos, 6)->Arg(1)->Arg(0);
BENCHMARK(BM_FirstPhoto)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
QUILLO_BENCH(BM_RepaintStretched, 50);
QUILLO_BENCH(BM_CopyFrame, 50);

}  // namespace

BENCHMARK_MAIN();
