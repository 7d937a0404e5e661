#include "PpmWriter.h"

#include <fstream>
#include <vector>

#include "Errors.h"

namespace quillo {

void writePpm(const std::string& path, const Bitmap& bitmap) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << bitmap.width() << " " << bitmap.height() << "\n255\n";
    // PPM keeps red, green, blue, 3 bytes a pixel.
    std::vector<char> row(std::size_t(bitmap.width()) * 3);
    for (int y = 0; y < bitmap.height(); ++y) {
        const Pixel* p = bitmap.row(y);
        for (std::size_t x = 0, i = 0; i < row.size(); ++x, i += 3) {
            row[i] = char(p[x] >> 16 & 0xFF);
            row[i + 1] = char(p[x] >> 8 & 0xFF);
            row[i + 2] = char(p[x] & 0xFF);
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
    if (!out.flush()) throw InvalidGraphic("Cannot write " + path);
}

}  // namespace quillo
