// Fit on a 24-megapixel JPEG at 1920x1080: the tick of mode 2 against djpeg decoding the same
// file in full, and the shrink's result against ImageMagick's box-filtered resize of the same
// full decode (mean absolute difference in levels, reported as the counter "mad").
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "HeadlessHost.h"
#include "LayoutGeometry.h"
#include "Picture.h"
#include "SaverWindow.h"
#include "Shrink.h"

using namespace quillo;
using namespace quillo::bench;

namespace {

constexpr Size kScreen{1920, 1080};

struct Photo {
    std::string dir;
    std::string jpeg;
    Photo() {
        std::string pattern = std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        jpeg = makeJpeg(dir + "/photo", 6000, 4000);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    ~Photo() { std::filesystem::remove_all(dir); }
};

const Photo& photo() {
    static const Photo p;
    return p;
}

// A saver at 1920x1080 showing the photo in mode 2 with Fit on; its first tick has run.
struct Show {
    HeadlessHost host{kScreen};
    EventLoop loop{host};
    LinuxSystemServices services;
    std::unique_ptr<SaverWindow> form;

    Show() {
        const Photo& p = photo();
        mkdir((p.dir + "/Quillo").c_str(), 0700);
        std::ofstream ini(p.dir + "/Quillo/quillo51.ini", std::ios::trunc);
        ini << "[Options]\nSound=0\nColor=1\nTime=1000\nFit=1\nPicdis=2\n[JpegConfig]\nName1="
            << p.jpeg << "\n";
        for (int n = 2; n <= 1000; ++n) ini << "Name" << n << "=Null\n";
        ini.close();
        form = std::make_unique<SaverWindow>(host, loop, services);
        form->FormCreate();
        form->Show();
        tick();
    }
    void tick() {
        host.advance(1000);
        loop.processMessages();
        loop.processMessages();  // the repaint the tick asked for
    }
};

void BM_TickFit(benchmark::State& state) {
    Show show;
    for (auto _ : state) show.tick();
    state.counters["width"] = show.form->Image1.bounds().right - show.form->Image1.bounds().left;
}

void BM_DjpegFull(benchmark::State& state) {
    djpegProcess(state, photo().jpeg);
}

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
        for (int x = 0; x < w; ++x) {
            b.row(y)[3 * x] = std::uint8_t(row[std::size_t(3 * x + 2)]);
            b.row(y)[3 * x + 1] = std::uint8_t(row[std::size_t(3 * x + 1)]);
            b.row(y)[3 * x + 2] = std::uint8_t(row[std::size_t(3 * x)]);
        }
    }
    return b;
}

// The shrink alone, timed, with its distance from ImageMagick's box filter on the same pixels.
void BM_ShrinkVsImageMagick(benchmark::State& state) {
    const Photo& p = photo();
    Picture full;
    full.loadFromFile(p.jpeg, {});
    const Bitmap& pixels = full.bitmap();
    const Size fit = fitSize(fitBox(kScreen, 2), pixels.width(), pixels.height());
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
    for (std::size_t i = 0; i < ours.byteSize(); ++i)
        sum += std::abs(int(ours.data()[i]) - int(ref.data()[i]));
    state.counters["mad"] = sum / double(ours.byteSize());
}

#define QUILLO_BENCH(fn, n) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(n)->Repetitions(3)

QUILLO_BENCH(BM_DjpegFull, 5);
QUILLO_BENCH(BM_TickFit, 5);
BENCHMARK(BM_ShrinkVsImageMagick)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
