#include "PpmWriter.h"

#include <fstream>
#include <vector>

#include "Errors.h"

namespace quillo {

void writePpm(const std::string& path, const Bitmap& bitmap) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "P6\n" << bitmap.width() << " " << bitmap.height() << "\n255\n";
    // PPM keeps red, green, blue; our rows keep blue, green, red.
    std::vector<char> row(bitmap.stride());
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* p = bitmap.row(y);
        for (std::size_t i = 0; i < row.size(); i += 3) {
            row[i] = char(p[i + 2]);
            row[i + 1] = char(p[i + 1]);
            row[i + 2] = char(p[i]);
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
    if (!out.flush()) throw InvalidGraphic("Cannot write " + path);
}

}  // namespace quillo
