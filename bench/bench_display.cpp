// One display tick of each mode 1 to 6 at 1920x1080 with a 24-megapixel JPEG, against djpeg
// decoding the same file: decoding dominates, so the ratio shows what the tick adds (stretch,
// paint, present). Also the repaint of a stretched full-screen picture when only the background
// colour changes, against a copy of the frame's bytes.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

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
        form->FormCreate();
        form->showWindow();
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
QUILLO_BENCH(BM_RepaintStretched, 50);
QUILLO_BENCH(BM_CopyFrame, 50);

}  // namespace

BENCHMARK_MAIN();
