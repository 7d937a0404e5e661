#include "BenchSupport.h"

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern char** environ;

namespace quillo::bench {

std::string makeTempFolder() {
    std::string pattern = std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
}

Bitmap noise(int w, int h, std::uint32_t seed) {
    Bitmap b = Bitmap::uninitialized(w, h);
    for (std::size_t i = 0; i < std::size_t(w) * std::size_t(h); ++i) {
        seed = seed * 1664525u + 1013904223u;
        b.data()[i] = kPixelPad | seed >> 8;
    }
    return b;
}

Bitmap makePhoto(int w, int h) {
    Bitmap b(w, h);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        Pixel* p = b.row(y);
        for (int x = 0; x < w; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28) - 8;
            const int wave = ((x * 7 / 5 + y) / 3) % 64;
            const int r = 40 + 180 * x / w + noise;
            const int g = 30 + 160 * y / h + wave / 2 + noise;
            const int bl = 200 - 150 * (x + y) / (w + h) + ((x / 40 + y / 60) % 3) * 10 + noise;
            p[x] = pixelOf(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(bl, 0, 255));
        }
    }
    return b;
}

void writeTurnedJpeg(const std::string& from, const std::string& to) {
    std::ifstream in(from, std::ios::binary);
    std::vector<char> jpeg{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    // APP1 of 34 bytes: the signature, a little-endian TIFF header, one directory of one entry
    // (tag 0x0112, SHORT, 1 value: 6) and no next directory.
    // clang-format off
    const char segment[] = {'\xFF', '\xE1', 0, 34,
                            'E', 'x', 'i', 'f', 0, 0,
                            'I', 'I', 42, 0, 8, 0, 0, 0,
                            1, 0,
                            0x12, 0x01, 3, 0, 1, 0, 0, 0, 6, 0, 0, 0,
                            0, 0, 0, 0};
    // clang-format on
    static_assert(sizeof segment == 2 + 34);
    jpeg.insert(jpeg.begin() + 2, std::begin(segment), std::end(segment));
    std::ofstream out(to, std::ios::binary);
    out.write(jpeg.data(), std::streamsize(jpeg.size()));
}

std::string makeJpeg(const std::string& stem, int w, int h) {
    const std::string ppm = stem + ".ppm", jpg = stem + ".jpg";
    writePpm(ppm, makePhoto(w, h));
    const std::string cmd = "cjpeg -quality 90 -outfile '" + jpg + "' '" + ppm + "'";
    if (std::system(cmd.c_str()) != 0) std::abort();
    std::filesystem::remove(ppm);
    return jpg;
}

void djpegProcess(benchmark::State& state, const std::string& path) {
    double childCpuMs = 0;
    for (auto _ : state) {
        const char* argv[] = {"djpeg",     "-dct",       "int",  "-outfile",
                              "/dev/null", path.c_str(), nullptr};
        pid_t pid = 0;
        if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char* const*>(argv),
                         environ) != 0) {
            state.SkipWithError("cannot start djpeg");
            return;
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        childCpuMs += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                      (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("djpeg failed");
            return;
        }
    }
    state.counters["child_cpu"] =
        benchmark::Counter(childCpuMs, benchmark::Counter::kAvgIterations);
}

double xServerCpuMs() {
    const char* pid = std::getenv("QUILLO_BENCH_XSERVER_PID");
    if (!pid || !*pid) return 0;
    double ns = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator(std::string("/proc/") + pid + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        double runtime = 0;
        if (in >> runtime) ns += runtime;
    }
    return ns / 1e6;
}

Photo::Photo() {
    dir = makeTempFolder();
    jpeg = makeJpeg(dir + "/photo", 6000, 4000);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
}

Photo::~Photo() {
    std::filesystem::remove_all(dir);
}

const Photo& photo() {
    static const Photo p;
    return p;
}

}  // namespace quillo::bench
