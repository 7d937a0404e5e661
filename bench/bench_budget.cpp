// What the files that claim more than they hold cost to load, each in its own child process:
// peak memory (ru_maxrss) and the time from the start of the load to the picture in memory (or
// the load's failure, the fallback picture's cue). Files: a 3 KB progressive JPEG whose header
// claims 16384 x 16384, a 1 KB run-length bitmap of that size and a real 16384 x 16384 JPEG;
// for scale, a child that loads nothing, a 24-megapixel photo and djpeg decoding the real file
// at the scale the budget gives it. Turned photos (Exif orientation 6) beside upright ones: a
// baseline file of under 1 KB claiming 16384 x 16384, and two 64-megapixel photos one after the
// other as the fade takes them (each cut to a 1920 x 1080 screen and kept, the earlier one
// held while the next decodes). The files are written row by row, so that this process stays
// small: a child inherits its parent's peak as the floor of its own.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "DecodeOptions.h"
#include "Picture.h"

extern char** environ;

using namespace quillo;

namespace {

void put16(std::vector<std::uint8_t>& b, std::size_t at, unsigned v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
}

std::vector<std::uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A w x h photo compressed by cjpeg with `options`, whose first frame header (0xFF `frame`) then
// says 16384 x 16384.
void writeClaimingJpeg(const std::string& path, int w, int h, const std::string& options,
                       std::uint8_t frame) {
    writePpm(path + ".ppm", bench::makePhoto(w, h));
    if (std::system(("cjpeg " + options + " -outfile '" + path + "' '" + path + ".ppm'").c_str()) !=
        0)
        std::abort();
    std::vector<std::uint8_t> jpeg = readAll(path);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == frame) {
            jpeg[i + 5] = jpeg[i + 7] = 0x40;  // 0x4000 = 16384
            jpeg[i + 6] = jpeg[i + 8] = 0x00;
            break;
        }
    writeAll(path, jpeg);
}

// A JPEG of w x h written row by row through cjpeg, never held whole in memory.
void streamJpeg(const std::string& path, int w, int h) {
    const std::string cmd = "cjpeg -quality 90 -outfile '" + path + "'";
    FILE* pipe = popen(cmd.c_str(), "w");
    if (!pipe) std::abort();
    std::fprintf(pipe, "P6\n%d %d\n255\n", w, h);
    std::vector<std::uint8_t> row(std::size_t(w) * 3);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28) - 8;
            const int wave = ((x * 7 / 5 + y) / 3) % 64;
            std::uint8_t* p = row.data() + std::size_t(x) * 3;
            p[0] = std::uint8_t(std::clamp(40 + 180 * x / w + noise, 0, 255));
            p[1] = std::uint8_t(std::clamp(30 + 160 * y / h + wave / 2 + noise, 0, 255));
            p[2] = std::uint8_t(std::clamp(200 - 150 * (x + y) / (w + h) + noise, 0, 255));
        }
        std::fwrite(row.data(), 1, row.size(), pipe);
    }
    if (pclose(pipe) != 0) std::abort();
}

struct Files {
    std::string dir, claimedJpeg, rleBmp, realJpeg, photo;
    std::string claimedUpright, claimedTurned, photo64Upright, photo64Turned;
    Files() {
        dir = bench::makeTempFolder();
        // A small progressive file with 16384 x 16384 in its frame header; a baseline file of 16
        // x 16 pixels claiming the same, upright and turned.
        claimedJpeg = dir + "/claimed.jpg";
        writeClaimingJpeg(claimedJpeg, 64, 48, "-progressive", 0xC2);
        claimedUpright = dir + "/claimed-upright.jpg";
        claimedTurned = dir + "/claimed-turned.jpg";
        writeClaimingJpeg(claimedUpright, 16, 16, "-quality 50", 0xC0);
        bench::writeTurnedJpeg(claimedUpright, claimedTurned);
        // RLE8, 16384 x 16384, a grey palette and an end-of-bitmap right away.
        std::vector<std::uint8_t> bmp(14 + 40 + 1024 + 2, 0);
        bmp[0] = 'B';
        bmp[1] = 'M';
        put32(bmp, 2, std::uint32_t(bmp.size()));
        put32(bmp, 10, 14 + 40 + 1024);
        put32(bmp, 14, 40);
        put32(bmp, 18, 16384);
        put32(bmp, 22, 16384);
        put16(bmp, 26, 1);
        put16(bmp, 28, 8);
        put32(bmp, 30, 1);  // RLE8
        for (unsigned i = 0; i < 256; ++i)
            for (unsigned c = 0; c < 3; ++c) bmp[54 + 4 * i + c] = std::uint8_t(i);
        bmp[bmp.size() - 1] = 1;
        rleBmp = dir + "/rle.bmp";
        writeAll(rleBmp, bmp);
        realJpeg = dir + "/real.jpg";
        streamJpeg(realJpeg, 16384, 16384);
        photo = dir + "/photo.jpg";
        streamJpeg(photo, 6000, 4000);
        photo64Upright = dir + "/photo64.jpg";
        streamJpeg(photo64Upright, 8192, 8192);
        photo64Turned = dir + "/photo64-turned.jpg";
        bench::writeTurnedJpeg(photo64Upright, photo64Turned);
    }
    ~Files() { std::filesystem::remove_all(dir); }
};

const Files& files() {
    static const Files f;
    return f;
}

// In a fresh process (this program started again), so the parent's own memory does not count:
// loads and decodes `path` (nothing for an empty one) with the saver's options and writes the
// load's time in seconds to standard output. With `fade`, two pictures from the file as the fade
// takes them: each cut to the screen, its top-left part kept and the picture let go, the first
// part held while the second decodes.
int loadAndReport(const std::string& path, bool fade) {
    const auto start = std::chrono::steady_clock::now();
    const Size screen{1920, 1080};
    Bitmap kept[2];
    for (int i = 0; i < (fade ? 2 : 1) && !path.empty(); ++i) {
        try {
            Picture p;
            DecodeOptions options;
            if (fade) options.clip = screen;
            p.loadFromFile(path, options);
            const Bitmap& b = p.bitmap();
            benchmark::DoNotOptimize(b.data());
            if (!fade) continue;
            const int w = std::min(b.width(), screen.width),
                      h = std::min(b.height(), screen.height);
            kept[i] = Bitmap::uninitialized(w, h);
            for (int y = 0; y < h; ++y) std::memcpy(kept[i].row(y), b.row(y), kept[i].stride());
        } catch (const std::exception&) {
            // the fallback picture would show
        }
    }
    std::printf("%.6f\n",
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

// Reports the child's peak memory in MB and the load's time in ms.
void loadInChild(benchmark::State& state, const std::string& path, bool fade = false) {
    double peakMb = 0;
    for (auto _ : state) {
        int out[2];
        if (pipe(out) != 0) std::abort();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        const char* argv[] = {"bench_budget", fade ? "--fade" : "--load", path.c_str(), nullptr};
        pid_t pid = 0;
        const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr,
                                   const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        if (rc != 0) {
            close(out[0]);
            state.SkipWithError("cannot start the child");
            return;
        }
        char text[64] = {};
        (void)!read(out[0], text, sizeof text - 1);
        close(out[0]);
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        state.SetIterationTime(std::atof(text));
        peakMb = std::max(peakMb, double(usage.ru_maxrss) / 1024.0);
    }
    state.counters["peak_mb"] = peakMb;
    state.counters["file_bytes"] = path.empty() ? 0.0 : double(std::filesystem::file_size(path));
}

// djpeg decoding the real 16384 x 16384 file at 1/2, as the budget makes us decode it: the floor
// for the load's time.
void BM_DjpegReal16384Half(benchmark::State& state) {
    const std::string& path = files().realJpeg;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = fork();
        if (pid == 0) {
            execlp("djpeg", "djpeg", "-dct", "int", "-scale", "1/2", "-outfile", "/dev/null",
                   path.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        state.counters["peak_mb"] = double(usage.ru_maxrss) / 1024.0;
    }
}

void BM_LoadNothing(benchmark::State& s) {
    files();
    loadInChild(s, "");
}
void BM_LoadClaimedProgressiveJpeg(benchmark::State& s) {
    loadInChild(s, files().claimedJpeg);
}
void BM_LoadClaimedRleBitmap(benchmark::State& s) {
    loadInChild(s, files().rleBmp);
}
void BM_LoadReal16384Jpeg(benchmark::State& s) {
    loadInChild(s, files().realJpeg);
}
void BM_LoadPhoto6000x4000(benchmark::State& s) {
    loadInChild(s, files().photo);
}
void BM_LoadClaimedBaselineJpeg(benchmark::State& s) {
    loadInChild(s, files().claimedUpright);
}
void BM_LoadClaimedBaselineJpegTurned(benchmark::State& s) {
    loadInChild(s, files().claimedTurned);
}
void BM_FadeTwo64MpPhotos(benchmark::State& s) {
    loadInChild(s, files().photo64Upright, true);
}
void BM_FadeTwo64MpPhotosTurned(benchmark::State& s) {
    loadInChild(s, files().photo64Turned, true);
}

#define QUILLO_BENCH(fn, n) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(n)->Repetitions(3)

QUILLO_BENCH(BM_LoadNothing, 1);
QUILLO_BENCH(BM_LoadClaimedProgressiveJpeg, 1);
QUILLO_BENCH(BM_LoadClaimedRleBitmap, 1);
QUILLO_BENCH(BM_LoadReal16384Jpeg, 1);
QUILLO_BENCH(BM_LoadPhoto6000x4000, 1);
QUILLO_BENCH(BM_DjpegReal16384Half, 1);
QUILLO_BENCH(BM_LoadClaimedBaselineJpeg, 1);
QUILLO_BENCH(BM_LoadClaimedBaselineJpegTurned, 1);
QUILLO_BENCH(BM_FadeTwo64MpPhotos, 1);
QUILLO_BENCH(BM_FadeTwo64MpPhotosTurned, 1);

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--load") return loadAndReport(argv[2], false);
    if (argc == 3 && std::string(argv[1]) == "--fade") return loadAndReport(argv[2], true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
