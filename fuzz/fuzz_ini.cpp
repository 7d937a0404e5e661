// Feeds arbitrary bytes to the INI document, in memory. Checks that reads never fail, that a
// write changes only the one line it writes (plus a new section header or a final line end), and
// that a written value reads back exactly, also from the text serialized and parsed again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "IniDocument.h"

namespace {

struct Line {
    std::string text, eol;
};

std::vector<Line> splitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n' && bytes[i] != '\r') continue;
        std::size_t n = (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
        lines.push_back({bytes.substr(start, i - start), bytes.substr(i, n)});
        i += n - 1;
        start = i + 1;
    }
    if (start < bytes.size()) lines.push_back({bytes.substr(start), ""});
    return lines;
}

// Line a of the file after the write stands for line b before it. The last line before may have
// gained a line end.
bool same(const Line& after, const Line& before, bool beforeIsLast) {
    if (after.text != before.text) return false;
    return after.eol == before.eol || (beforeIsLast && before.eol.empty());
}

const char* const kSections[] = {"Options", "JpegConfig", "History", ""};
const char* const kKeys[] = {"Time", "Name1", "Last Dir", ""};
const std::string kMarker = "FuzzValue42";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (input.find(kMarker) != std::string::npos) return 0;
    const char* section = kSections[data[0] % 4];
    const char* key = kKeys[(data[0] / 4) % 4];

    quillo::IniDocument document(input);
    for (const char* s : kSections)
        for (const char* k : kKeys) {
            if (document.readString(s, k, "").size() > quillo::IniDocument::kMaxValueLength)
                abort();
            (void)document.readInteger(s, k, -1);
            (void)document.readBool(s, k, true);
        }
    document.writeString(section, key, kMarker);
    if (document.readString(section, key, "") != kMarker) abort();

    // Every line not written survives byte for byte, in order. A byte-order mark stays in front.
    static const std::string kBom = "\xEF\xBB\xBF";
    std::string beforeBytes = input, afterBytes = document.serialize();
    if (beforeBytes.rfind(kBom, 0) == 0) {
        if (afterBytes.rfind(kBom, 0) != 0) abort();
        beforeBytes.erase(0, kBom.size());
        afterBytes.erase(0, kBom.size());
    }
    std::vector<Line> before = splitLines(beforeBytes);
    std::vector<Line> after;
    for (Line& l : splitLines(afterBytes))
        if (l.text.size() < kMarker.size() ||
            l.text.compare(l.text.size() - kMarker.size(), kMarker.size(), kMarker) != 0)
            after.push_back(std::move(l));
    if (after.size() == before.size() + 1 && after.back().text == "[" + std::string(section) + "]")
        after.pop_back();
    if (after.size() != before.size() && after.size() + 1 != before.size()) abort();
    std::size_t skipped = 0;  // the one line whose value was replaced
    for (std::size_t i = 0, j = 0; i < before.size(); ++i) {
        if (j < after.size() && same(after[j], before[i], i + 1 == before.size())) {
            ++j;
            continue;
        }
        if (++skipped > 1 || before[i].text.find('=') == std::string::npos) abort();
    }
    if (skipped + after.size() != before.size()) abort();
    if (quillo::IniDocument(document.serialize()).readString(section, key, "") != kMarker) abort();

    // A value from the input reads back exactly as written, whatever quotes or spaces it holds.
    std::string value = input.substr(size > 40 ? size - 40 : 0);
    for (char& c : value)
        if (c == '\r' || c == '\n' || c == '\0') c = ' ';
    document.writeString(section, key, value);
    if (document.readString(section, key, "") != value.substr(0, 2047)) abort();
    if (quillo::IniDocument(document.serialize()).readString(section, key, "") !=
        value.substr(0, 2047))
        abort();
    return 0;
}
