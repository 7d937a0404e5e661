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

#include "BenchSupport.h"
#include "Blend.h"
#include "HeadlessHost.h"
#include "Picture.h"

using namespace quillo;
using namespace quillo::bench;

namespace {

// The test files, made once per run in a temporary folder that is removed at exit.
struct Files {
    std::string dir;
    std::string jpeg4k, jpeg6k, jpeg6kTurned, bmp4k;

    Files() {
        dir = bench::makeTempFolder();
        jpeg4k = makeJpeg("photo4k", 3840, 2160);
        jpeg6k = makeJpeg("photo6k", 6000, 4000);
        jpeg6kTurned = dir + "/photo6k-turned.jpg";
        writeTurnedJpeg(jpeg6k, jpeg6kTurned);
        bmp4k = dir + "/photo4k.bmp";
        writeBmp24(bmp4k, makePhoto(3840, 2160));
    }
    ~Files() { std::filesystem::remove_all(dir); }

    std::string makeJpeg(const std::string& name, int w, int h) {
        return bench::makeJpeg(dir + "/" + name, w, h);
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
            p.loadFromFile(path, {});
            benchmark::DoNotOptimize(p.bitmap().data());
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            return;
        }
    }
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
// The same photo stored lying on its side: turned upright as it is decoded.
void BM_JpegLoadConvertTurned_6000x4000(benchmark::State& s) {
    loadAndConvert(s, files().jpeg6kTurned);
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
    for (std::size_t i = 0; i < newPic.byteSize() / sizeof(Pixel); ++i)
        newPic.data()[i] ^= 0x5A5A5A;
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
QUILLO_BENCH(BM_JpegLoadConvertTurned_6000x4000, 5);
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
