// Full-screen present of the Qt host (run under an X server, e.g. Xvfb at 3840x2160), against a
// plain copy of the same framebuffer bytes in memory.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstring>
#include <memory>

#include "QtHost.h"

namespace {

struct QtFixture {
    int argc = 1;
    char name[8] = "bench";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    quillo::QtHost host;
    quillo::Bitmap frame;

    QtFixture() {
        const quillo::Size s = host.screenSize();
        frame = quillo::Bitmap(s.width, s.height);
        for (int y = 0; y < frame.height(); ++y)
            std::memset(frame.row(y), y & 0xFF, frame.stride());
        host.openWindow("bench", frame);
        std::vector<quillo::Message> ignored;
        for (int i = 0; i < 20; ++i) host.pumpInput(ignored);  // let the window map
    }
};

QtFixture& fixture() {
    static QtFixture f;
    return f;
}

void BM_PresentFullScreen(benchmark::State& state) {
    QtFixture& f = fixture();
    for (auto _ : state) f.host.present(f.frame.rect());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.frame.byteSize()));
}
BENCHMARK(BM_PresentFullScreen)->Unit(benchmark::kMillisecond);

void BM_CopyFrameBytes(benchmark::State& state) {
    QtFixture& f = fixture();
    std::vector<std::uint8_t> copy(f.frame.byteSize());
    for (auto _ : state) {
        std::memcpy(copy.data(), f.frame.data(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.frame.byteSize()));
}
BENCHMARK(BM_CopyFrameBytes)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
