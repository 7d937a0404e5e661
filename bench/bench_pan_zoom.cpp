// One frame of pan and zoom (mode 12) at 1920x1080 and 3840x2160: the moving picture scaled into
// the frame by pixman's bilinear filter, alone and in the cross-fade (two moving pictures, the
// second laid over by its weight). The pictures are as the mode keeps them: 3:2 photos decoded
// to cover the screen at the closest zoom, 1.25 times the screen's height.
#include <benchmark/benchmark.h>

#include <cstring>

#include "BenchSupport.h"
#include "FramingDraw.h"
#include "PanZoomMotion.h"
#include "Shrink.h"

using namespace quillo;

namespace {

// Args: the screen's width and height, and 1 for a cross-fade frame.
void BM_PanZoomFrame(benchmark::State& state) {
    const Size screen{int(state.range(0)), int(state.range(1))};
    const bool crossFade = state.range(2) != 0;
    const int h = screen.height * 5 / 4, w = h * 3 / 2;
    const Bitmap a = bench::noise(w, h, 1), b = bench::noise(w, h, 2);
    Bitmap frame(screen.width, screen.height);
    const PanZoomPath in{1.0, 1.25, 0.1, 0.2, 0.9, 0.7}, out{1.2, 1.0, 0.8, 0.9, 0.2, 0.1};
    const std::uint64_t span = 9'000'000'000;
    std::uint64_t t = 0;
    for (auto _ : state) {
        t += 33'333'333;
        drawFraming(frame, a, panZoomFraming(t % span, span, {w, h}, screen, in));
        if (crossFade)
            drawFraming(frame, b, panZoomFraming(t % span, span, {w, h}, screen, out), 0.4);
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_PanZoomFrame)
    ->Args({1920, 1080, 0})
    ->Args({1920, 1080, 1})
    ->Args({3840, 2160, 0})
    ->Args({3840, 2160, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// What no frame can beat: writing the frame's bytes once.
void BM_PanZoomFrameFloor(benchmark::State& state) {
    const Size screen{int(state.range(0)), int(state.range(1))};
    const Bitmap a = bench::noise(screen.width, screen.height, 1);
    Bitmap frame(screen.width, screen.height);
    for (auto _ : state) {
        std::memcpy(frame.data(), a.data(), a.byteSize());
        benchmark::DoNotOptimize(frame.data());
    }
}
BENCHMARK(BM_PanZoomFrameFloor)
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

// Once a tick: a 12-megapixel photo, decoded whole because half of it would not cover a 1080p
// screen at the closest zoom (2400x1350), averaged down to what that zoom needs.
void BM_PanZoomShrinkAtTick(benchmark::State& state) {
    const Bitmap photo = bench::noise(4000, 3000, 3);
    for (auto _ : state) benchmark::DoNotOptimize(shrinkBitmap(photo, 2400, 1800).data());
}
BENCHMARK(BM_PanZoomShrinkAtTick)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(3)
    ->ReportAggregatesOnly(true);

}  // namespace

BENCHMARK_MAIN();
