// Fit's shrink of a 24-megapixel photo to a 1920x1080 screen: timed, and its result against
// ImageMagick's box-filtered resize of the same full decode (mean absolute difference in levels,
// reported as the counter "mad"). The tick of mode 2 under Fit is in bench_display.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>

#include "BenchSupport.h"
#include "LayoutGeometry.h"
#include "Picture.h"
#include "Shrink.h"

using namespace quillo;
using namespace quillo::bench;

namespace {

constexpr Size kScreen{1920, 1080};

Bitmap readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (magic != "P6" || maxval != 255) return {};
    Bitmap b(w, h);
    std::vector<char> row(std::size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        if (!in.read(row.data(), std::streamsize(row.size()))) return {};
        const auto* s = reinterpret_cast<const std::uint8_t*>(row.data());
        for (int x = 0; x < w; ++x) b.row(y)[x] = pixelOf(s[3 * x], s[3 * x + 1], s[3 * x + 2]);
    }
    return b;
}

// The shrink alone, timed, with its distance from ImageMagick's box filter on the same pixels.
void BM_ShrinkVsImageMagick(benchmark::State& state) {
    const Photo& p = photo();
    Picture full;
    full.loadFromFile(p.jpeg, {});
    const Bitmap& pixels = full.bitmap();
    const Size fit = fitSize(fitBox(kScreen, FitRule::Screen), pixels.width(), pixels.height());
    Bitmap ours;
    for (auto _ : state) ours = shrinkBitmap(pixels, fit.width, fit.height);
    const std::string fullPpm = p.dir + "/full.ppm", refPpm = p.dir + "/ref.ppm";
    writePpm(fullPpm, pixels);
    const std::string resize = "convert " + fullPpm + " -filter box -resize " +
                               std::to_string(fit.width) + "x" + std::to_string(fit.height) + "! " +
                               refPpm;
    const Bitmap ref = std::system(resize.c_str()) == 0 ? readPpm(refPpm) : Bitmap();
    if (ref.width() != ours.width() || ref.height() != ours.height()) {
        state.SkipWithError("ImageMagick's resize failed");
        return;
    }
    double sum = 0;
    const std::size_t count = ours.byteSize() / sizeof(Pixel);
    for (std::size_t i = 0; i < count; ++i)
        for (int shift = 0; shift < 24; shift += 8)
            sum +=
                std::abs(int(ours.data()[i] >> shift & 0xFF) - int(ref.data()[i] >> shift & 0xFF));
    state.counters["mad"] = sum / double(count * 3);
}

BENCHMARK(BM_ShrinkVsImageMagick)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
