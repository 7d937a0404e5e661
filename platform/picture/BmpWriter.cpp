#include "BmpWriter.h"

#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace quillo {

void writeBmp24(const std::string& path, const Bitmap& bitmap) {
    const std::uint32_t rowBytes = (std::uint32_t(bitmap.width()) * 3 + 3) & ~3u;
    const std::uint32_t imageBytes = rowBytes * std::uint32_t(bitmap.height());
    auto le32 = [](std::string& s, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) s.push_back(char(v >> (8 * i) & 0xFF));
    };
    auto le16 = [](std::string& s, std::uint16_t v) {
        s.push_back(char(v & 0xFF));
        s.push_back(char(v >> 8));
    };
    std::string out = "BM";
    le32(out, 54 + imageBytes);
    le32(out, 0);
    le32(out, 54);
    le32(out, 40);
    le32(out, std::uint32_t(bitmap.width()));
    le32(out, std::uint32_t(bitmap.height()));
    le16(out, 1);
    le16(out, 24);
    le32(out, 0);
    le32(out, imageBytes);
    le32(out, 2835);
    le32(out, 2835);
    le32(out, 0);
    le32(out, 0);
    const std::string pad(rowBytes - std::uint32_t(bitmap.width()) * 3, '\0');
    for (int r = bitmap.height() - 1; r >= 0; --r) {
        const Pixel* p = bitmap.row(r);
        for (int x = 0; x < bitmap.width(); ++x) {
            out.push_back(char(p[x] & 0xFF));
            out.push_back(char(p[x] >> 8 & 0xFF));
            out.push_back(char(p[x] >> 16 & 0xFF));
        }
        out += pad;
    }
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(out.data(), std::streamsize(out.size()));
    if (!f) throw std::runtime_error("cannot write " + path);
}

}  // namespace quillo
