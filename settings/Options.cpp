#include "Options.h"

#include "IniFile.h"

namespace quillo {

Options ReadOptions(const IniFile& file) {
    constexpr const char* kSection = "Options";
    const Options missing;
    Options o;
    o.sound = file.readBool(kSection, "Sound", missing.sound);
    o.seq = file.readBool(kSection, "Seq", missing.seq);
    const int color = file.readInteger(kSection, "Color", -1);
    o.color = color >= 1 && color <= 3 ? color : 4;
    const int picdis = file.readInteger(kSection, "Picdis", -1);
    o.picdis = picdis >= 1 && picdis <= 11 ? picdis : 8;
    o.time = file.readInteger(kSection, "Time", missing.time);
    o.height = file.readInteger(kSection, "Height", missing.height);
    o.width = file.readInteger(kSection, "Width", missing.width);
    o.fit = file.readBool(kSection, "Fit", missing.fit);
    return o;
}

}  // namespace quillo
