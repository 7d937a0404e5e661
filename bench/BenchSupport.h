#pragma once
// Shared by the benchmark programs: photo-like test pictures and djpeg as a baseline.
#include <benchmark/benchmark.h>

#include <string>

#include "Bitmap.h"
#include "PpmWriter.h"

namespace quillo::bench {

// A photo-like picture: smooth gradients, soft shapes and a little noise, so the JPEG has
// realistic detail (not a flat image that decodes unrealistically fast).
Bitmap makePhoto(int w, int h);
// A picture of random pixels from the seed: nothing for a codec or a cache to exploit.
Bitmap noise(int w, int h, std::uint32_t seed);
// A new empty folder of this program's own in the temporary folder; aborts when none can be made.
std::string makeTempFolder();

// Writes a w x h photo as <stem>.jpg (cjpeg, quality 90) and returns the path.
std::string makeJpeg(const std::string& stem, int w, int h);

// The JPEG file `from` again as `to`, with an Exif block saying "turned clockwise" (orientation
// 6) right after its start marker.
void writeTurnedJpeg(const std::string& from, const std::string& to);

// A 6000 x 4000 camera photo as a JPEG in a temporary folder, made once per program and removed
// at its end; the folder is also the settings folder (XDG_CONFIG_HOME) of savers in the program.
struct Photo {
    std::string dir;
    std::string jpeg;
    Photo();
    ~Photo();
};
const Photo& photo();

// djpeg as the user would run it: process start, file read, decode, output to /dev/null. The
// child's own processor time is reported too ("child_cpu", ms per run): on a busy machine it is
// the steadier figure to hold against our thread's processor time.
void djpegProcess(benchmark::State& state, const std::string& path);

// The processor time so far of the X server that QUILLO_BENCH_XSERVER_PID names, every thread's,
// in ms (from each thread's schedstat, to the nanosecond); 0 when none is named.
double xServerCpuMs();

}  // namespace quillo::bench
