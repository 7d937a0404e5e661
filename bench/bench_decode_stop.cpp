// The saver's end while the next picture is being decoded ahead: the time from the end's stop to
// the worker letting go of the decoder (PictureAhead::end returning, the worker joined). The
// argument is how long the decode has run when the end comes, in ms; the slowest of the
// iterations is reported as max_ms beside their mean, and the share of them whose decode was
// still running, and so stopped part way, as stopped (1: all).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "BenchSupport.h"
#include "BmpWriter.h"
#include "PictureAhead.h"

namespace quillo {
namespace {

struct Pictures {
    std::string dir = bench::makeTempFolder();
    std::string progressive = dir + "/progressive.jpg";
    std::string bmp = dir + "/photo.bmp";
    Pictures() {
        const Bitmap photo = bench::makePhoto(6000, 4000);
        writePpm(dir + "/photo.ppm", photo);
        const std::string cmd =
            "cjpeg -quality 90 -progressive -outfile '" + progressive + "' '" + dir + "/photo.ppm'";
        if (std::system(cmd.c_str()) != 0) std::abort();
        writeBmp24(bmp, photo);
    }
    ~Pictures() { std::filesystem::remove_all(dir); }
};

const Pictures& pictures() {
    static const Pictures p;
    return p;
}

void endDuringDecode(benchmark::State& state, const std::string& path, Size fitBox) {
    using Clock = std::chrono::steady_clock;
    double worst = 0;
    int stopped = 0;
    for (auto _ : state) {
        PictureAhead ahead;
        std::atomic<bool> began{false};
        ahead.setDecoder([&](const PictureRequest& request) {
            began = true;
            LoadedPicture loaded = loadRequestedPicture(request);
            stopped += loaded.stopped;
            return loaded;
        });
        PictureRequest request;
        request.path = path;
        request.fitBox = fitBox;
        request.options.cover = fitBox;
        ahead.start(request);
        while (!began) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(state.range(0)));
        const Clock::time_point start = Clock::now();
        ahead.end();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!ahead.workerEnded()) state.SkipWithError("the worker did not let go");
        state.SetIterationTime(seconds);
        worst = std::max(worst, seconds * 1e3);
    }
    state.counters["max_ms"] = worst;
    state.counters["stopped"] = double(stopped) / double(state.iterations());
}

void BM_EndDuringProgressiveJpeg(benchmark::State& state) {
    endDuringDecode(state, pictures().progressive, {});
}
void BM_EndDuringBitmap(benchmark::State& state) {
    endDuringDecode(state, pictures().bmp, {});
}
// Under Fit the bitmap is shrunk to the screen after its decode.
void BM_EndDuringBitmapFit(benchmark::State& state) {
    endDuringDecode(state, pictures().bmp, {1920, 1080});
}

}  // namespace

BENCHMARK(BM_EndDuringProgressiveJpeg)
    ->Arg(5)
    ->Arg(100)
    ->Arg(400)
    ->Arg(800)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EndDuringBitmap)
    ->Arg(5)
    ->Arg(30)
    ->Arg(60)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EndDuringBitmapFit)
    ->Arg(60)
    ->Arg(100)
    ->Arg(150)
    ->Iterations(10)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace quillo

BENCHMARK_MAIN();
