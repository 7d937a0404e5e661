#include "Exif.h"

#include <cstring>

namespace quillo {

namespace {

constexpr std::uint8_t kExifSignature[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kDateTimeTag = 0x0132;
constexpr std::uint16_t kExifPointerTag = 0x8769;
constexpr std::uint16_t kDateTimeOriginalTag = 0x9003;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint64_t kIfdEntryBytes = 12;
// "YYYY:MM:DD HH:MM:SS" without its terminating zero.
constexpr std::uint32_t kDateChars = 19;

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
    // The bytes [offset, offset + n), or an empty span when they leave the block.
    std::span<const std::uint8_t> bytes(std::uint64_t offset, std::uint64_t n) const {
        if (offset > data_.size() || data_.size() - offset < n) return {};
        return data_.subspan(std::size_t(offset), std::size_t(n));
    }
    std::uint64_t size() const { return data_.size(); }

private:
    std::span<const std::uint8_t> data_;
    bool bigEndian_;
};

// A directory's entries, when they lie wholly in the block: first entry's offset and count.
bool directory(const TiffReader& r, std::uint64_t ifd, std::uint64_t& first, std::uint16_t& count) {
    if (!r.u16(ifd, count)) return false;
    first = ifd + 2;
    return first + count * kIfdEntryBytes <= r.size();
}

// An ASCII date entry's value: at least 19 characters, which (being more than four) lie at the
// offset the entry holds.
std::optional<ExifDateTime> dateEntry(const TiffReader& r, std::uint64_t entry) {
    std::uint16_t type = 0;
    std::uint32_t n = 0, at = 0;
    if (!r.u16(entry + 2, type) || !r.u32(entry + 4, n) || !r.u32(entry + 8, at)) return {};
    if (type != kTypeAscii || n < kDateChars) return {};
    const std::span<const std::uint8_t> text = r.bytes(at, kDateChars);
    if (text.empty()) return {};
    return parseExifDateTime(text);
}

bool isLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

}  // namespace

std::optional<ExifDateTime> parseExifDateTime(std::span<const std::uint8_t> text) noexcept {
    if (text.size() < kDateChars) return {};
    // Digits where the pattern has them, these separators between.
    static constexpr char kPattern[] = "dddd:dd:dd dd:dd:dd";
    for (std::uint32_t i = 0; i < kDateChars; ++i) {
        const bool digit = kPattern[i] == 'd';
        if (digit ? (text[i] < '0' || text[i] > '9') : text[i] != std::uint8_t(kPattern[i]))
            return {};
    }
    const auto number = [&](int at, int digits) {
        int v = 0;
        for (int i = 0; i < digits; ++i) v = v * 10 + (text[std::size_t(at + i)] - '0');
        return v;
    };
    ExifDateTime d{number(0, 4),  number(5, 2),  number(8, 2),
                   number(11, 2), number(14, 2), number(17, 2)};
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.year < 1 || d.month < 1 || d.month > 12 || d.day < 1) return {};
    const int last = kDays[d.month - 1] + (d.month == 2 && isLeap(d.year) ? 1 : 0);
    if (d.day > last || d.hour > 23 || d.minute > 59 || d.second > 60) return {};
    return d;
}

ExifFacts readExif(std::span<const std::uint8_t> app1) noexcept {
    ExifFacts facts;
    if (app1.size() < sizeof kExifSignature ||
        std::memcmp(app1.data(), kExifSignature, sizeof kExifSignature) != 0)
        return facts;
    const std::span<const std::uint8_t> tiff = app1.subspan(sizeof kExifSignature);
    if (tiff.size() < 8) return facts;
    bool bigEndian;
    if (tiff[0] == 'I' && tiff[1] == 'I')
        bigEndian = false;
    else if (tiff[0] == 'M' && tiff[1] == 'M')
        bigEndian = true;
    else
        return facts;
    const TiffReader r(tiff, bigEndian);
    std::uint16_t magic = 0;
    std::uint32_t ifd = 0;
    if (!r.u16(2, magic) || magic != 42 || !r.u32(4, ifd)) return facts;
    // The orientation and DateTime live in the first directory, which points to the Exif one.
    std::uint64_t first = 0;
    std::uint16_t count = 0;
    if (!directory(r, ifd, first, count)) return facts;
    std::optional<ExifDateTime> dateTime;
    std::optional<std::uint32_t> exifIfd;
    bool orientationSeen = false;
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::uint64_t entry = first + i * kIfdEntryBytes;
        std::uint16_t tag = 0, type = 0, value = 0;
        std::uint32_t n = 0, pointer = 0;
        if (!r.u16(entry, tag)) break;
        if (tag == kOrientationTag && !orientationSeen) {
            orientationSeen = true;
            // One SHORT, held in the first two bytes of the entry's value field.
            if (r.u16(entry + 2, type) && r.u32(entry + 4, n) && r.u16(entry + 8, value) &&
                type == kTypeShort && n == 1 && value >= 1 && value <= 8)
                facts.orientation = value;
        } else if (tag == kDateTimeTag && !dateTime) {
            dateTime = dateEntry(r, entry);
        } else if (tag == kExifPointerTag && !exifIfd) {
            if (r.u16(entry + 2, type) && r.u32(entry + 4, n) && r.u32(entry + 8, pointer) &&
                type == kTypeLong && n == 1)
                exifIfd = pointer;
        }
    }
    // One hop only: the Exif directory's own pointers are not followed, so no loop can form.
    if (exifIfd && *exifIfd != ifd && directory(r, *exifIfd, first, count)) {
        for (std::uint64_t i = 0; i < count; ++i) {
            const std::uint64_t entry = first + i * kIfdEntryBytes;
            std::uint16_t tag = 0;
            if (!r.u16(entry, tag) || tag != kDateTimeOriginalTag) continue;
            facts.taken = dateEntry(r, entry);
            break;
        }
    }
    if (!facts.taken) facts.taken = dateTime;
    return facts;
}

int exifOrientation(std::span<const std::uint8_t> app1) noexcept {
    return readExif(app1).orientation;
}

}  // namespace quillo
