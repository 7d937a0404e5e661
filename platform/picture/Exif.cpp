#include "Exif.h"

#include <cstring>

namespace quillo {

namespace {

constexpr std::uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint64_t kIfdEntryBytes = 12;

// The TIFF structure inside the block, in its own byte order; every read is bounds-checked and
// gives false when it would leave the block.
class TiffReader {
public:
    TiffReader(std::span<const std::uint8_t> data, bool bigEndian)
        : data_(data), bigEndian_(bigEndian) {}

    bool u16(std::uint64_t offset, std::uint16_t& out) const {
        if (offset > data_.size() || data_.size() - offset < 2) return false;
        const std::uint8_t* p = data_.data() + offset;
        out = bigEndian_ ? std::uint16_t(p[0] << 8 | p[1]) : std::uint16_t(p[1] << 8 | p[0]);
        return true;
    }
    bool u32(std::uint64_t offset, std::uint32_t& out) const {
        std::uint16_t a = 0, b = 0;
        if (!u16(offset, a) || !u16(offset + 2, b)) return false;
        out = bigEndian_ ? (std::uint32_t(a) << 16 | b) : (std::uint32_t(b) << 16 | a);
        return true;
    }
    std::uint64_t size() const { return data_.size(); }

private:
    std::span<const std::uint8_t> data_;
    bool bigEndian_;
};

}  // namespace

int exifOrientation(std::span<const std::uint8_t> app1) noexcept {
    if (app1.size() < sizeof kExifSignature ||
        std::memcmp(app1.data(), kExifSignature, sizeof kExifSignature) != 0)
        return 1;
    const std::span<const std::uint8_t> tiff = app1.subspan(sizeof kExifSignature);
    if (tiff.size() < 8) return 1;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return 1;
    const TiffReader r(tiff, bigEndian);
    std::uint16_t magic = 0;
    std::uint32_t ifd = 0;
    if (!r.u16(2, magic) || magic != 42 || !r.u32(4, ifd)) return 1;
    // The orientation lives in the first directory; its entries must lie wholly in the block.
    std::uint16_t count = 0;
    if (!r.u16(ifd, count)) return 1;
    const std::uint64_t first = std::uint64_t(ifd) + 2;
    if (first + count * kIfdEntryBytes > r.size()) return 1;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = first + i * kIfdEntryBytes;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t n = 0;
        if (!r.u16(entry, tag) || tag != kOrientationTag) continue;
        // One SHORT, held in the first two bytes of the entry's value field.
        if (!r.u16(entry + 2, type) || !r.u32(entry + 4, n) || !r.u16(entry + 8, value)) return 1;
        if (type != kTypeShort || n != 1 || value < 1 || value > 8) return 1;
        return value;
    }
    return 1;
}

}  // namespace quillo
