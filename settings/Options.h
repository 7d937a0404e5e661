#pragma once
// The scalar options of the settings file ("Options"), read and range-checked in one place for
// both the saver and the dialog. A new option is one more field here and one more line in
// ReadOptions; its default is what a file without the key means.
#include <cstdint>

namespace quillo {

class IniFile;

struct Options {
    bool sound = true;         // "Sound"
    bool seq = true;           // "Seq": pictures in list order, else random
    int color = 4;             // "Color": the background colour set, 1..4
    int picdis = 8;            // "Picdis": the display mode, 1..11
    std::int32_t time = 8000;  // "Time": the delay, milliseconds
    std::int32_t height = -1;  // "Height": the custom picture height, as stored
    std::int32_t width = -1;   // "Width"
    bool fit = false;          // "Fit": shrink pictures larger than the screen to fit it
};

// The options a new settings file is written with.
inline constexpr Options kNewFileOptions{.sound = false,
                                         .seq = false,
                                         .color = 4,
                                         .picdis = 11,
                                         .time = 2000,
                                         .height = 25,
                                         .width = 25};

// Reads "Options": a missing or malformed value gives its default above; a colour set outside
// 1..3 reads as 4 and a display mode outside 1..11 as 8.
Options ReadOptions(const IniFile& file);

}  // namespace quillo
