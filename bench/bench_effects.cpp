// The animated effects on the Qt host (run under an X server, e.g. Xvfb at 3840x2160), each
// against what it cannot do faster: the fade and the roll-down against their prescribed pauses,
// the slide against presenting the same rectangles, and one fade frame against a pass that reads
// two frames and writes one.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>

#include "BenchSupport.h"
#include "Blend.h"
#include "HeadlessHost.h"
#include "QtHost.h"
#include "SaverWindow.h"

using namespace quillo;

namespace {

// The Qt host, counting and recording the presents so a baseline can replay them.
class RecordingQtHost : public QtHost {
public:
    void present(WindowId window, const Rect& dirty) override {
        if (recording) presents.emplace_back(window, dirty);
        QtHost::present(window, dirty);
    }
    bool recording = false;
    std::vector<std::pair<WindowId, Rect>> presents;
};

struct Rig {
    int argc = 1;
    char name[8] = "bench";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    RecordingQtHost host;
    EventLoop loop{host};
    LinuxSystemServices services;
    SaverWindow form{host, loop, services};
    std::string dir;
    std::vector<std::string> pictures;

    Rig() {
        char tmpl[] = "/tmp/quillo-bench-XXXXXX";
        dir = mkdtemp(tmpl);
        form.showWindow();
        for (int i = 0; i < 20; ++i) loop.processMessages();  // let the window map
    }
    ~Rig() { std::system(("rm -rf " + dir).c_str()); }

    // The picture files for the given sizes, written before the timing starts.
    void prepare(const std::vector<Size>& sizes) {
        pictures.clear();
        for (Size s : sizes) {
            const std::string path = dir + "/" + std::to_string(s.width) + "x" +
                                     std::to_string(s.height) + "-" +
                                     std::to_string(pictures.size()) + ".bmp";
            if (access(path.c_str(), F_OK) != 0)
                writeBmp24(path, bench::noise(s.width, s.height, std::uint32_t(pictures.size())));
            pictures.push_back(path);
        }
    }

    // One effect's tick over the pictures prepared last, with its frames, as the loop runs
    // them.
    void runMode(int picdis) {
        form.usePlaylist(Playlist(pictures, PictureOrder::InOrder));
        Show& show = form.show();
        show.setMode(makeDisplayMode(DisplayModeSetting(picdis), show));
        show.beginTick();
        loop.processMessages();
        while (loop.animating()) {
            loop.waitForWork();
            loop.processMessages();
        }
    }
};

Rig& rig() {
    static Rig r;
    return r;
}

void BM_Fade_1920x1080(benchmark::State& state) {
    rig().prepare({{1920, 1080}, {1920, 1080}});
    for (auto _ : state) rig().runMode(11);
}
void BM_Fade_3840x2160(benchmark::State& state) {
    rig().prepare({{3840, 2160}, {3840, 2160}});
    for (auto _ : state) rig().runMode(11);
}
void BM_Sleep_101x40ms(benchmark::State& state) {
    for (auto _ : state)
        for (int k = 0; k < 101; ++k) rig().host.sleepMs(40);
}

void BM_RollDown_1920x1080(benchmark::State& state) {
    rig().prepare({{1920, 1080}});
    for (auto _ : state) rig().runMode(8);
}
void BM_Sleep_1080x10ms(benchmark::State& state) {
    for (auto _ : state)
        for (int k = 0; k < 1080; ++k) rig().host.sleepMs(10);
}

// The slide's direction is random; the baseline replays exactly the rectangles it presented.
void BM_Slide_1920x1080(benchmark::State& state) {
    Rig& r = rig();
    r.host.presents.clear();
    r.host.recording = true;
    r.prepare({{1920, 1080}});
    for (auto _ : state) r.runMode(7);
    r.host.recording = false;
    state.counters["steps_per_s"] =
        benchmark::Counter(double(r.host.presents.size()), benchmark::Counter::kIsRate);
}
void BM_SlidePresentsOnly(benchmark::State& state) {
    Rig& r = rig();
    for (auto _ : state)
        for (const auto& [window, rect] : r.host.presents) r.host.present(window, rect);
    state.counters["presents_per_s"] = benchmark::Counter(
        double(r.host.presents.size() * state.iterations()), benchmark::Counter::kIsRate);
}

// One fade frame over the whole screen (on a 1920x1080 X server: the 1080p frame), drawn and
// presented as the fade does, without (0) and with (1) a caption over it: the difference is
// what taking the caption off before the frame and composing it on again costs. Each frame is
// timed alone; the counter is the median.
void BM_FadeFrame(benchmark::State& state) {
    Rig& r = rig();
    Show& show = r.form.show();
    Form& form = show.form();
    const Bitmap a = bench::noise(form.width(), form.height(), 1),
                 b = bench::noise(form.width(), form.height(), 2);
    if (state.range(0))
        show.showCaption("Beach at noon \xC2\xB7 14 July 2025");
    else
        form.setOverlay({}, {});
    form.repaint();
    std::vector<double> frames;
    int k = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        form.drawBlend(0, 0, a, b, blendWeight(float(k) / 100.0f));
        form.flush();
        frames.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        k = (k + 1) % 101;
    }
    state.counters["caption_px"] = form.overlay().height();
    form.setOverlay({}, {});
    std::nth_element(frames.begin(), frames.begin() + std::ptrdiff_t(frames.size() / 2),
                     frames.end());
    state.counters["median_frame_ms"] = frames[frames.size() / 2];
}

// One fade frame at 4K, against the least any such pass costs: reading two frames and writing
// one, with nothing but an OR per byte.
void BM_BlendFrames_4K(benchmark::State& state) {
    const Bitmap a = bench::noise(3840, 2160, 1), b = bench::noise(3840, 2160, 2);
    Bitmap out(3840, 2160);
    int k = 0;
    for (auto _ : state) {
        blendRows(out, a, b, blendWeight(float(k) / 100.0f));
        k = (k + 1) % 101;
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
// Fixed-length chunks, as in the blend, so the compiler vectorises this at -O2 too.
void orFrames(std::uint8_t* __restrict out, const std::uint8_t* __restrict x,
              const std::uint8_t* __restrict y, std::size_t bytes) {
    constexpr std::size_t kChunk = 32;
    std::size_t i = 0;
    for (; i + kChunk <= bytes; i += kChunk)
        for (std::size_t k = 0; k < kChunk; ++k) out[i + k] = x[i + k] | y[i + k];
    for (; i < bytes; ++i) out[i] = x[i] | y[i];
}

void BM_ReadTwoWriteOne_4K(benchmark::State& state) {
    const Bitmap a = bench::noise(3840, 2160, 1), b = bench::noise(3840, 2160, 2);
    Bitmap out(3840, 2160);
    for (auto _ : state) {
        orFrames(reinterpret_cast<std::uint8_t*>(out.data()),
                 reinterpret_cast<const std::uint8_t*>(a.data()),
                 reinterpret_cast<const std::uint8_t*>(b.data()), out.byteSize());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

#define QUILLO_BENCH(fn, n) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(n)

QUILLO_BENCH(BM_Fade_1920x1080, 1);
QUILLO_BENCH(BM_Fade_3840x2160, 1);
QUILLO_BENCH(BM_Sleep_101x40ms, 1);
QUILLO_BENCH(BM_RollDown_1920x1080, 1);
QUILLO_BENCH(BM_Sleep_1080x10ms, 1);
QUILLO_BENCH(BM_Slide_1920x1080, 1);
QUILLO_BENCH(BM_SlidePresentsOnly, 1);
QUILLO_BENCH(BM_FadeFrame, 303)->Arg(0)->Arg(1);
QUILLO_BENCH(BM_BlendFrames_4K, 30)->Repetitions(3);
QUILLO_BENCH(BM_ReadTwoWriteOne_4K, 30)->Repetitions(3);

}  // namespace

BENCHMARK_MAIN();
