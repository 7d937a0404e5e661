#include "SettingsFile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <optional>

#include "IniFile.h"
#include "MessageBox.h"
#include "Paths.h"
#include "Rounding.h"

namespace quillo {

std::string SettingsDir;
std::string SettingsFile;

namespace {

constexpr const char* kOptions = "Options";
constexpr const char* kHistory = "History";
constexpr const char* kLastDir = "Last Dir";

constexpr const char* kFolderWarning =
    "Could not create a folder as you do not have authority on your system. Please right click "
    "this software icon on your desktop, and choose the option to \"Run as Admin\" (only needs to "
    "be done one time), as you currently do not have authority to create a new folder.";

// The configuration folder itself may be missing on a fresh account (nothing has written to it
// yet); create it the way the base-directory rules ask, private to the user.
void ensureBaseDirectory(const std::string& path) {
    if (path.empty() || directoryExists(path)) return;
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        if (!directoryExists(part) && ::mkdir(part.c_str(), 0700) != 0) return;
        if (slash == std::string::npos) return;
    }
}

std::string currentFolder() {
    std::string buffer(PATH_MAX, '\0');
    if (::getcwd(buffer.data(), buffer.size())) return buffer.c_str();
    return ".";
}

int clampInt(long long v, int lo, int hi) {
    return int(std::clamp<long long>(v, lo, std::max(lo, hi)));
}

// The number a label holds; labels are set by the program, so anything else counts as 0.
long long labelNumber(const std::string& text) {
    return parseIniInteger(text).value_or(0);
}

std::int32_t toInt32(long long v) {
    return std::int32_t(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

void InitSettingsPaths(MessageBoxes& boxes) {
    // Without a home or configuration folder the file lives beside where the program was started.
    std::string base = applicationDataDir();
    if (base.empty()) base = currentFolder();
    ensureBaseDirectory(base);
    SettingsDir = base + "/Quillo";
    if (!directoryExists(SettingsDir) && !createDirectory(SettingsDir))
        boxes.show(MessageKind::Warning, kFolderWarning, MessageButtons::Ok);
    SettingsFile = SettingsDir + "/quillo51.ini";
}

void CreateDefaultSettings(SlotTables* slots) {
    IniFile file(SettingsFile);
    IniFile::Batch batch(file);
    file.writeString(kOptions, "Sound", "0");
    file.writeString(kOptions, "Status", "1");
    file.writeString(kOptions, "Seq", "0");
    file.writeString(kOptions, "Repeat", "0");
    file.writeString(kOptions, "Time", "2000");
    file.writeString(kOptions, "Color", "4");
    file.writeString(kOptions, "Picdis", "11");
    file.writeString(kOptions, "Height", "25");
    file.writeString(kOptions, "Width", "25");
    for (int n = 1; n <= kSlotCount; ++n) {
        file.writeString(kPictureSection, slotKey(n), kFreeSlot);
        if (slots) slots->PictureSlots[std::size_t(n - 1)] = kFreeSlot;
        file.writeString(kSoundSection, slotKey(n), kFreeSlot);
        if (slots) slots->SoundSlots[std::size_t(n - 1)] = kFreeSlot;
    }
}

OptionsState defaultDialogOptions(int screenWidth, int screenHeight) {
    OptionsState o;
    o.soundOn = false;
    o.inOrder = true;
    o.picdis = 11;
    o.color = 4;
    o.lblDelay = "2";
    o.lblHeight = "25";
    o.lblWidth = "25";
    o.delayPosition = 1;
    o.widthPosition = 25;
    o.heightPosition = 25;
    o.widthMax = screenWidth;
    o.heightMax = screenHeight;
    return o;
}

void LoadSettings(OptionsState& options, SlotTables& slots) {
    IniFile file(SettingsFile);
    options.soundOn = file.readBool(kOptions, "Sound", true);
    options.inOrder = file.readBool(kOptions, "Seq", true);

    int color = file.readInteger(kOptions, "Color", -1);
    options.color = (color >= 1 && color <= 3) ? color : 4;

    int picdis = file.readInteger(kOptions, "Picdis", -1);
    options.picdis = (picdis >= 1 && picdis <= 11 && picdis != 8) ? picdis : 8;

    long long seconds = roundHalfEven(file.readInteger(kOptions, "Time", 8000) / 1000.0);
    options.lblDelay = std::to_string(seconds);
    options.delayPosition = clampInt(seconds, 1, 800);

    int height = std::max(file.readInteger(kOptions, "Height", -1), 25);
    int width = std::max(file.readInteger(kOptions, "Width", -1), 25);
    options.lblHeight = std::to_string(height);
    options.lblWidth = std::to_string(width);
    options.widthPosition = clampInt(width, 25, options.widthMax);
    options.heightPosition = clampInt(height, 25, options.heightMax);

    // Files written before this option have no Fit key: off.
    options.fit = file.readBool(kOptions, "Fit", false);

    for (int n = 1; n <= kSlotCount; ++n) {
        std::string key = slotKey(n);
        slots.PictureSlots[std::size_t(n - 1)] = file.readString(kPictureSection, key, " ");
        slots.SoundSlots[std::size_t(n - 1)] = file.readString(kSoundSection, key, " ");
    }
}

void SaveOptions(const OptionsState& options) {
    IniFile file(SettingsFile);
    file.writeBool(kOptions, "Sound", options.soundOn);
    file.writeBool(kOptions, "Seq", options.inOrder);
    file.writeInteger(kOptions, "Color",
                      (options.color >= 1 && options.color <= 3) ? options.color : 4);
    if (options.picdis >= 1 && options.picdis <= 11)
        file.writeInteger(kOptions, "Picdis", options.picdis);
    // A delay label above 2147483 seconds would overflow the milliseconds: keep the largest value.
    file.writeInteger(kOptions, "Time", toInt32(labelNumber(options.lblDelay) * 1000));
    file.writeInteger(kOptions, "Height", toInt32(labelNumber(options.lblHeight)));
    file.writeInteger(kOptions, "Width", toInt32(labelNumber(options.lblWidth)));
    file.writeBool(kOptions, "Fit", options.fit);
}

std::string ReadLastDir(const std::string& fallback) {
    IniFile file(SettingsFile);
    std::string dir = file.readString(kHistory, kLastDir, "");
    return directoryExists(dir) ? dir : fallback;
}

void WriteLastDir(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    IniFile file(SettingsFile);
    file.writeString(kHistory, kLastDir, folder);
}

}  // namespace quillo
