#include "Options.h"

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

#include "IniDocument.h"
#include "IniFile.h"

namespace quillo {

namespace {

using O = Options;

constexpr std::int32_t kAny = INT32_MIN;

// clang-format off
constexpr std::array kRows = {
    //        key       field       missing  new file   save  shown at least
    OptionRow{"Sound",  &O::sound,  1,       true, 0,   1,    kAny},
    OptionRow{kStatusKey, {},         0,       true, 1,   0,    kAny},
    OptionRow{"Seq",    &O::seq,    1,       true, 0,   2,    kAny},
    OptionRow{"Repeat", {},         0,       true, 0,   0,    kAny},
    OptionRow{"Time",   &O::time,   8000,    true, 2000, 5,   kAny},
    OptionRow{"Color",  &O::color,  -1,      true, 4,   3,    kAny},
    OptionRow{"Picdis", &O::picdis, -1,      true, 11,  4,    kAny},
    OptionRow{"Height", &O::height, -1,      true, kSmallestCustomSize, 6, kSmallestCustomSize},
    OptionRow{"Width",  &O::width,  -1,      true, kSmallestCustomSize, 7, kSmallestCustomSize},
    // Off when missing, so that files from before them behave as they did.
    OptionRow{"Fit",    &O::fit,    0,       false, 0,  8,    kAny},
    OptionRow{"Shuffle", &O::shuffle, 0,     false, 0,  9,    kAny},
    OptionRow{"AllScreens", &O::allScreens, 0, false, 0, 10, kAny},
    OptionRow{"Captions", &O::captions, 0, false, 0, 11, kAny},
};
// clang-format on

// Stores a value read (an integer) into the row's field, by the field's reading rule.
void store(Options& o, const OptionField& field, std::int32_t v) {
    struct Store {
        Options& o;
        std::int32_t v;
        void operator()(std::monostate) const {}
        void operator()(bool O::*f) const { o.*f = v != 0; }
        void operator()(std::int32_t O::*f) const { o.*f = v; }
        void operator()(ColorSetSetting O::*f) const { o.*f = colorSetOf(v); }
        void operator()(DisplayModeSetting O::*f) const { o.*f = displayModeOf(v); }
    };
    std::visit(Store{o, v}, field);
}

std::int32_t stored(const Options& o, const OptionField& field) {
    struct Load {
        const Options& o;
        std::int32_t operator()(std::monostate) const { return 0; }
        std::int32_t operator()(bool O::*f) const { return o.*f ? 1 : 0; }
        std::int32_t operator()(std::int32_t O::*f) const { return o.*f; }
        std::int32_t operator()(ColorSetSetting O::*f) const { return std::int32_t(o.*f); }
        std::int32_t operator()(DisplayModeSetting O::*f) const { return std::int32_t(o.*f); }
    };
    return std::visit(Load{o}, field);
}

template <class Reader>
Options readWith(const Reader& reader) {
    Options o{};
    for (const OptionRow& row : kRows)
        if (!std::holds_alternative<std::monostate>(row.field))
            store(o, row.field, reader.readInteger(kOptionsSection, row.key, row.missing));
    return o;
}

}  // namespace

DisplayModeSetting displayModeOf(std::int32_t v) {
    return isDisplayMode(v) ? DisplayModeSetting(v) : DisplayModeSetting::RollDown;
}

ColorSetSetting colorSetOf(std::int32_t v) {
    return v >= 1 && v <= 3 ? ColorSetSetting(v) : ColorSetSetting::AlwaysBlack;
}

std::span<const OptionRow> optionTable() {
    return kRows;
}

Options readOptions(const IniDocument& document) {
    return readWith(document);
}

Options readOptions(const IniFile& file) {
    return readWith(file);
}

Options newFileOptions() {
    Options o = readOptions(IniDocument());
    for (const OptionRow& row : kRows)
        if (row.inNewFile) store(o, row.field, row.newFileValue);
    return o;
}

Options dialogReading(Options options) {
    for (const OptionRow& row : kRows)
        if (stored(options, row.field) < row.shownAtLeast)
            store(options, row.field, row.shownAtLeast);
    return options;
}

void writeNewFileOptions(IniFile& file) {
    for (const OptionRow& row : kRows)
        if (row.inNewFile) file.writeInteger(kOptionsSection, row.key, row.newFileValue);
}

void writeSavedOptions(IniFile& file, const Options& options, bool writeDisplayMode) {
    std::vector<const OptionRow*> saved;
    for (const OptionRow& row : kRows)
        if (row.saveOrder > 0) saved.push_back(&row);
    std::sort(saved.begin(), saved.end(),
              [](const OptionRow* a, const OptionRow* b) { return a->saveOrder < b->saveOrder; });
    for (const OptionRow* row : saved) {
        if (!writeDisplayMode && std::holds_alternative<DisplayModeSetting O::*>(row->field))
            continue;
        file.writeInteger(kOptionsSection, row->key, stored(options, row->field));
    }
}

}  // namespace quillo
