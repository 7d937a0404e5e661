// Picture loading and the fade kernel against baselines measured in the same run: our JPEG
// load+convert against djpeg (as a process, and libjpeg called in-process the way djpeg calls
// it), a 4K bitmap load, and the blend against a plain copy of the same bytes.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "Blend.h"
#include "HeadlessHost.h"
#include "Picture.h"

extern char** environ;

using namespace quillo;

namespace {

// A photo-like picture: smooth gradients, soft shapes and a little noise, so the JPEG has
// realistic detail (not a flat image that decodes unrealistically fast).
Bitmap makePhoto(int w, int h) {
    Bitmap b(w, h);
    std::uint32_t state = 12345;
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = b.row(y);
        for (int x = 0; x < w; ++x, p += 3) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 28) - 8;
            const int wave = ((x * 7 / 5 + y) / 3) % 64;
            const int r = 40 + 180 * x / w + noise;
            const int g = 30 + 160 * y / h + wave / 2 + noise;
            const int bl = 200 - 150 * (x + y) / (w + h) + ((x / 40 + y / 60) % 3) * 10 + noise;
            p[0] = std::uint8_t(std::clamp(bl, 0, 255));
            p[1] = std::uint8_t(std::clamp(g, 0, 255));
            p[2] = std::uint8_t(std::clamp(r, 0, 255));
        }
    }
    return b;
}

void writePpm(const std::string& path, const Bitmap& b) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << b.width() << " " << b.height() << "\n255\n";
    std::vector<char> row(b.stride());
    for (int y = 0; y < b.height(); ++y) {
        const std::uint8_t* p = b.row(y);
        for (std::size_t i = 0; i < row.size(); i += 3) {
            row[i] = char(p[i + 2]);
            row[i + 1] = char(p[i + 1]);
            row[i + 2] = char(p[i]);
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
}

// The test files, made once per run in a temporary folder that is removed at exit.
struct Files {
    std::string dir;
    std::string jpeg4k, jpeg6k, bmp4k;

    Files() {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillo-bench-XXXXXX");
        if (!mkdtemp(pattern.data())) std::abort();
        dir = pattern;
        jpeg4k = makeJpeg("photo4k", 3840, 2160);
        jpeg6k = makeJpeg("photo6k", 6000, 4000);
        bmp4k = dir + "/photo4k.bmp";
        writeBmp24(bmp4k, makePhoto(3840, 2160));
    }
    ~Files() { std::filesystem::remove_all(dir); }

    std::string makeJpeg(const std::string& name, int w, int h) {
        const std::string ppm = dir + "/" + name + ".ppm", jpg = dir + "/" + name + ".jpg";
        writePpm(ppm, makePhoto(w, h));
        const std::string cmd = "cjpeg -quality 90 -outfile '" + jpg + "' '" + ppm + "'";
        if (std::system(cmd.c_str()) != 0) std::abort();
        std::filesystem::remove(ppm);
        return jpg;
    }
};

const Files& files() {
    static const Files f;
    return f;
}

void loadAndConvert(benchmark::State& state, const std::string& path) {
    for (auto _ : state) {
        Picture p;
        try {
            p.loadFromFile(path);
            benchmark::DoNotOptimize(p.bitmap().data());
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
    }
}

// djpeg as the user would run it: process start, file read, decode, output to /dev/null. The
// child's own processor time is reported too ("child_cpu", ms per run): on a busy machine it is
// the steadier figure to hold against our thread's processor time.
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

// djpeg's decode without the process: read the file, decode row by row into one RGB row buffer
// (djpeg's way), or with `wholeImage` into a fresh buffer of the whole picture, as a picture must
// be kept: the difference is the price of holding the decoded pixels.
void libjpegInProcess(benchmark::State& state, const std::string& path, bool wholeImage = false) {
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        std::vector<unsigned char> bytes(std::size_t(in.tellg()));
        in.seekg(0);
        in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.dct_method = JDCT_ISLOW;
        jpeg_start_decompress(&cinfo);
        const std::size_t stride = std::size_t(cinfo.output_width) * 3;
        std::vector<unsigned char> pixels(wholeImage ? stride * cinfo.output_height : stride);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + (wholeImage ? stride * cinfo.output_scanline : 0);
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        benchmark::DoNotOptimize(pixels.data());
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
    }
}

void BM_JpegLoadConvert_4K(benchmark::State& s) {
    loadAndConvert(s, files().jpeg4k);
}
void BM_Djpeg_4K(benchmark::State& s) {
    djpegProcess(s, files().jpeg4k);
}
void BM_LibjpegInProcess_4K(benchmark::State& s) {
    libjpegInProcess(s, files().jpeg4k);
}
void BM_JpegLoadConvert_6000x4000(benchmark::State& s) {
    loadAndConvert(s, files().jpeg6k);
}
void BM_Djpeg_6000x4000(benchmark::State& s) {
    djpegProcess(s, files().jpeg6k);
}
void BM_LibjpegInProcess_6000x4000(benchmark::State& s) {
    libjpegInProcess(s, files().jpeg6k);
}
void BM_LibjpegWholeImage_6000x4000(benchmark::State& s) {
    libjpegInProcess(s, files().jpeg6k, true);
}
void BM_BmpLoadConvert_4K(benchmark::State& s) {
    loadAndConvert(s, files().bmp4k);
}

// One fade frame against copying the same number of bytes between two buffers: at 4K (memory
// bound) and at 640 x 480 (in the caches, so the arithmetic shows).
void blendFrames(benchmark::State& state, int w, int h) {
    const Bitmap oldPic = makePhoto(w, h);
    Bitmap newPic = oldPic;
    for (std::size_t i = 0; i < newPic.byteSize(); ++i) newPic.data()[i] ^= 0x5A;
    Bitmap out(w, h);
    int f = 0;
    for (auto _ : state) {
        blendRows(out, oldPic, newPic, f);
        f = (f + 3) % 257;
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(out.byteSize()));
}

void copyFrames(benchmark::State& state, int w, int h) {
    const Bitmap src = makePhoto(w, h);
    Bitmap dst(w, h);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), src.byteSize());
        benchmark::DoNotOptimize(dst.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(src.byteSize()));
}

void BM_Blend_4K(benchmark::State& s) {
    blendFrames(s, 3840, 2160);
}
void BM_Copy_4K(benchmark::State& s) {
    copyFrames(s, 3840, 2160);
}
void BM_Blend_VGA(benchmark::State& s) {
    blendFrames(s, 640, 480);
}
void BM_Copy_VGA(benchmark::State& s) {
    copyFrames(s, 640, 480);
}

// Fixed iteration counts so each pair is measured over the same work; three repetitions, of
// which bench/run.sh takes the medians.
#define QUILLO_BENCH(fn, n) \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(n)->Repetitions(3)

QUILLO_BENCH(BM_JpegLoadConvert_4K, 10);
QUILLO_BENCH(BM_Djpeg_4K, 10);
QUILLO_BENCH(BM_LibjpegInProcess_4K, 10);
QUILLO_BENCH(BM_JpegLoadConvert_6000x4000, 5);
QUILLO_BENCH(BM_Djpeg_6000x4000, 5);
QUILLO_BENCH(BM_LibjpegInProcess_6000x4000, 5);
QUILLO_BENCH(BM_LibjpegWholeImage_6000x4000, 5);
QUILLO_BENCH(BM_BmpLoadConvert_4K, 10);
QUILLO_BENCH(BM_Blend_4K, 50);
QUILLO_BENCH(BM_Copy_4K, 50);
QUILLO_BENCH(BM_Blend_VGA, 2000);
QUILLO_BENCH(BM_Copy_VGA, 2000);

}  // namespace

BENCHMARK_MAIN();
