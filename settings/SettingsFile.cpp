#include "SettingsFile.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>

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
    // The file lists a person's pictures: the folder is private to its owner.
    if (!directoryExists(SettingsDir) && !createDirectory(SettingsDir, 0700))
        boxes.show(MessageKind::Warning, kFolderWarning, MessageButtons::Ok);
    SettingsFile = SettingsDir + "/quillo51.ini";
}

bool CreateDefaultSettings(SlotTables* slots, std::chrono::milliseconds lockWait) {
    IniFile file(SettingsFile);
    IniFile::Transaction transaction(file, lockWait);
    // Under the writers' lock: a file another process made meanwhile may already hold a list.
    if (fileExists(SettingsFile)) return false;
    const Options& o = kNewFileOptions;
    file.writeBool(kOptions, "Sound", o.sound);
    file.writeString(kOptions, "Status", "1");
    file.writeBool(kOptions, "Seq", o.seq);
    file.writeString(kOptions, "Repeat", "0");
    file.writeInteger(kOptions, "Time", o.time);
    file.writeInteger(kOptions, "Color", o.color);
    file.writeInteger(kOptions, "Picdis", o.picdis);
    file.writeInteger(kOptions, "Height", o.height);
    file.writeInteger(kOptions, "Width", o.width);
    for (int n = 1; n <= kSlotCount; ++n) {
        file.writeString(kPictureSection, slotKey(n), kFreeSlot);
        file.writeString(kSoundSection, slotKey(n), kFreeSlot);
    }
    transaction.commit();
    if (slots) slots->freeAll();
    return true;
}

OptionsState dialogOptions(const Options& options, int widthMax, int heightMax) {
    OptionsState o;
    o.soundOn = options.sound;
    o.inOrder = options.seq;
    o.color = options.color;
    o.picdis = options.picdis;
    const long long seconds = roundHalfEven(options.time / 1000.0);
    o.lblDelay = std::to_string(seconds);
    o.delayPosition = clampInt(seconds, 1, 800);
    const int height = std::max(options.height, 25);
    const int width = std::max(options.width, 25);
    o.lblHeight = std::to_string(height);
    o.lblWidth = std::to_string(width);
    o.widthMax = widthMax;
    o.heightMax = heightMax;
    o.widthPosition = clampInt(width, 25, widthMax);
    o.heightPosition = clampInt(height, 25, heightMax);
    o.fit = options.fit;
    return o;
}

OptionsState defaultDialogOptions(int screenWidth, int screenHeight) {
    OptionsState o = dialogOptions(kNewFileOptions, screenWidth, screenHeight);
    o.inOrder = true;
    o.delayPosition = 1;
    return o;
}

void LoadSettings(OptionsState& options, SlotTables& slots) {
    IniFile file(SettingsFile);
    options = dialogOptions(ReadOptions(file), options.widthMax, options.heightMax);
    for (int n = 1; n <= kSlotCount; ++n) {
        std::string key = slotKey(n);
        slots.PictureSlots[std::size_t(n - 1)] = file.readString(kPictureSection, key, " ");
        slots.SoundSlots[std::size_t(n - 1)] = file.readString(kSoundSection, key, " ");
    }
}

void SaveOptions(const OptionsState& options) {
    IniFile file(SettingsFile);
    IniFile::Transaction transaction(file);
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
    transaction.commit();
}

std::string ReadLastDir(const std::string& fallback) {
    IniFile file(SettingsFile);
    std::string dir = file.readString(kHistory, kLastDir, "");
    return directoryExists(dir) ? dir : fallback;
}

void WriteLastDir(IniFile& file, const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    file.writeString(kHistory, kLastDir, folder);
}

void WriteLastDir(const std::string& path) {
    IniFile file(SettingsFile);
    WriteLastDir(file, path);
}

}  // namespace quillo
