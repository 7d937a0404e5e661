#include "JpegTools.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace quillo::test {

bool runTool(const std::string& command, bool warningsOk) {
    const int status = std::system((command + " 2>/dev/null").c_str());
    const int rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    // The libjpeg tools exit with 2 after a warning; their output is complete.
    const bool ok = rc == 0 || (warningsOk && rc == 2);
    EXPECT_TRUE(ok) << command << ": exit " << rc;
    return ok;
}

Bitmap makeTestImage(int width, int height, std::uint32_t seed) {
    Bitmap b(width, height);
    std::uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        Pixel* p = b.row(y);
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            const int noise = int(state >> 27) - 16;
            const bool disc =
                (x - width / 3) * (x - width / 3) + (y - height / 2) * (y - height / 2) <
                (height / 4) * (height / 4);
            int r = 255 * x / std::max(1, width - 1);
            int g = 255 * y / std::max(1, height - 1);
            int bl = disc ? 230 : 60 + ((x / 8 + y / 8) % 2) * 40;
            r += noise;
            g += noise / 2;
            bl -= noise;
            p[x] = pixelOf(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(bl, 0, 255));
        }
    }
    return b;
}

Bitmap readPnm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    if (!in || (magic != "P6" && magic != "P5") || maxval != 255) return {};
    const int channels = magic == "P6" ? 3 : 1;
    Bitmap b(w, h);
    std::vector<char> row(std::size_t(w) * std::size_t(channels));
    for (int y = 0; y < h; ++y) {
        if (!in.read(row.data(), std::streamsize(row.size()))) return {};
        Pixel* p = b.row(y);
        for (int x = 0; x < w; ++x) {
            const auto* s = reinterpret_cast<const std::uint8_t*>(row.data()) + x * channels;
            p[x] = pixelOf(s[0], s[channels == 3 ? 1 : 0], s[channels == 3 ? 2 : 0]);
        }
    }
    return b;
}

bool makeJpeg(const std::string& jpegPath, const Bitmap& image, const std::string& options) {
    const std::string ppm = jpegPath + ".ppm";
    writePpm(ppm, image);
    const bool ok = runTool("cjpeg " + options + " -outfile '" + jpegPath + "' '" + ppm + "'");
    std::remove(ppm.c_str());
    return ok;
}

Bitmap djpeg(const std::string& jpegPath, const std::string& options) {
    const std::string out = jpegPath + ".ref.pnm";
    if (!runTool("djpeg -dct int " + options + " -ppm -outfile '" + out + "' '" + jpegPath + "'",
                 true))
        return {};
    Bitmap b = readPnm(out);
    std::remove(out.c_str());
    return b;
}

std::vector<std::uint8_t> readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

long differingPixels(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height()) return -1;
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.row(y)[x] != b.row(y)[x]) ++n;  // the padding byte too: a screen may show it
    return n;
}

}  // namespace quillo::test
