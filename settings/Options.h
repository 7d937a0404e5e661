#pragma once
// The scalar options of the settings file (section "Options"), as one table: for each option its
// key, the field it fills, what a missing or malformed value reads as, the value a new file holds
// and its place in the dialog's save. The saver, the dialog and the new file all go through it,
// so a new option is one more field and one more row.
#include <cstdint>
#include <span>
#include <string_view>
#include <variant>

#include "DisplayModeTable.h"

namespace quillo {

class IniDocument;
class IniFile;

inline constexpr const char* kOptionsSection = "Options";
// Written "1" by the saver at each start; read by nothing.
inline constexpr const char* kStatusKey = "Status";

// "Color": the background colour set.
enum class ColorSetSetting : std::int32_t {
    BlackToWhite = 1,
    NavyToMaroon,
    GreenToYellow,
    AlwaysBlack,
};

// The reading rules of the two choices: a value that names no display mode reads as the
// roll-down, a colour set outside 1..3 as always black.
DisplayModeSetting displayModeOf(std::int32_t stored);
ColorSetSetting colorSetOf(std::int32_t stored);

// The custom picture size's smallest value, each way: the dialog shows and saves no less.
inline constexpr std::int32_t kSmallestCustomSize = 25;
// The longest delay the dialog's bar sets, in seconds.
inline constexpr int kLongestDelaySeconds = 800;

// The values come from the table (readOptions, newFileOptions); the defaults here are none.
struct Options {
    bool sound{};                 // "Sound"
    bool seq{};                   // "Seq": pictures in list order, else random
    ColorSetSetting color{};      // "Color"
    DisplayModeSetting picdis{};  // "Picdis"
    std::int32_t time{};          // "Time": the delay, milliseconds
    std::int32_t height{};        // "Height": the custom picture height, as stored
    std::int32_t width{};         // "Width"
    bool fit{};                   // "Fit": shrink pictures larger than the screen to fit it
    bool shuffle{};               // "Shuffle": at random, every picture once before any repeats
    bool allScreens{};            // "AllScreens": a show on every screen
    bool captions{};              // "Captions": each photo's name and date over it
};

using OptionField = std::variant<std::monostate,  // written in a new file, never read
                                 bool Options::*, std::int32_t Options::*,
                                 ColorSetSetting Options::*, DisplayModeSetting Options::*>;

struct OptionRow {
    std::string_view key;
    OptionField field;
    std::int32_t missing;  // read for a missing or malformed value (then by the field's rule)
    bool inNewFile;        // written when the file is made, as newFileValue
    std::int32_t newFileValue;
    int saveOrder;              // place among the writes of "Ok - Save"; 0: never saved
    std::int32_t shownAtLeast;  // the dialog shows a smaller value as this one
};

// The rows in the order a new file holds them.
std::span<const OptionRow> optionTable();

// Every option as read from the document (a missing file reads as an empty one).
Options readOptions(const IniDocument& document);
Options readOptions(const IniFile& file);
// The options a new file holds, as the reader sees them.
Options newFileOptions();

// The options as the dialog shows them: each value raised to its row's shownAtLeast.
Options dialogReading(Options options);

// Writes the rows a new file holds, in table order.
void writeNewFileOptions(IniFile& file);
// Writes the saved options in their save order; the display mode only when writeDisplayMode.
void writeSavedOptions(IniFile& file, const Options& options, bool writeDisplayMode);

}  // namespace quillo
