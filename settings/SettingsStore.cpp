#include "SettingsStore.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <climits>
#include <cstdint>

#include "MessageBox.h"
#include "Paths.h"
#include "Rounding.h"

namespace quillo {

namespace {

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

std::int32_t toInt32(long long v) {
    return std::int32_t(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

SettingsPaths locateSettings(MessageBoxes& boxes) {
    // Without a home or configuration folder the file lives beside where the program was started.
    std::string base = applicationDataDir();
    if (base.empty()) base = currentFolder();
    ensureBaseDirectory(base);
    SettingsPaths paths;
    paths.dir = base + "/Quillo";
    // The file lists a person's pictures: the folder is private to its owner.
    if (!directoryExists(paths.dir) && !createDirectory(paths.dir, 0700))
        boxes.show(MessageKind::Warning, kFolderWarning, MessageButtons::Ok);
    paths.file = paths.dir + "/quillo51.ini";
    return paths;
}

OptionsState dialogOptions(const Options& stored, int widthMax, int heightMax) {
    const Options options = dialogReading(stored);
    OptionsState o;
    o.soundOn = options.sound;
    o.inOrder = options.seq;
    o.color = options.color;
    o.displayMode = options.picdis;
    o.delaySeconds = roundHalfEven(options.time / 1000.0);
    o.delayPosition = clampInt(o.delaySeconds, 1, kLongestDelaySeconds);
    o.height = options.height;
    o.width = options.width;
    o.widthMax = widthMax;
    o.heightMax = heightMax;
    o.widthPosition = clampInt(o.width, kSmallestCustomSize, widthMax);
    o.heightPosition = clampInt(o.height, kSmallestCustomSize, heightMax);
    o.fit = options.fit;
    o.shuffle = options.shuffle;
    o.allScreens = options.allScreens;
    o.captions = options.captions;
    return o;
}

OptionsState defaultDialogOptions(int screenWidth, int screenHeight) {
    OptionsState o = dialogOptions(newFileOptions(), screenWidth, screenHeight);
    o.inOrder = true;
    o.delayPosition = 1;
    return o;
}

Options savedOptions(const OptionsState& state) {
    Options o = newFileOptions();
    o.sound = state.soundOn;
    o.seq = state.inOrder;
    o.color = state.color;
    if (state.displayMode) o.picdis = *state.displayMode;
    // A delay above 2147483 seconds would overflow the milliseconds: keep the largest value.
    o.time = toInt32(state.delaySeconds * 1000);
    o.height = toInt32(state.height);
    o.width = toInt32(state.width);
    o.fit = state.fit;
    o.shuffle = state.shuffle;
    o.allScreens = state.allScreens;
    o.captions = state.captions;
    return o;
}

bool SettingsStore::exists() const {
    return fileExists(path_);
}

namespace {

void writeNewFile(IniFile& file) {
    writeNewFileOptions(file);
    for (int n = 1; n <= kSlotCount; ++n) {
        file.writeString(kPictureSection, slotKey(n), kFreeSlot);
        file.writeString(kSoundSection, slotKey(n), kFreeSlot);
    }
}

}  // namespace

bool SettingsStore::createNewFile() const {
    const auto transaction = begin();
    // Under the writers' lock: a file another process made meanwhile may already hold a list.
    if (exists()) return false;
    writeNewFile(transaction->file());
    transaction->commit();
    return true;
}

Options SettingsStore::readOptions() const {
    return quillo::readOptions(IniFile(path_));
}

void SettingsStore::load(OptionsState& options, SlotTables& slots) const {
    IniFile file(path_);
    options = dialogOptions(quillo::readOptions(file), options.widthMax, options.heightMax);
    slots.PictureSlots.read(file);
    slots.SoundSlots.read(file);
}

void SettingsStore::saveOptions(const OptionsState& options) const {
    saveOptions(*begin(), options);
}

bool SettingsStore::trySaveOptions(const OptionsState& options) const {
    const auto transaction = tryBegin();
    if (!transaction) return false;
    saveOptions(*transaction, options);
    return true;
}

void SettingsStore::saveOptions(Transaction& transaction, const OptionsState& options) {
    writeSavedOptions(transaction.file(), savedOptions(options), options.displayMode.has_value());
    transaction.commit();
}

std::string SettingsStore::readLastDir(const std::string& fallback) const {
    std::string dir = IniFile(path_).readString(kHistory, kLastDir, "");
    return directoryExists(dir) ? dir : fallback;
}

void SettingsStore::writeLastDir(const std::string& path) const {
    IniFile file(path_);
    quillo::writeLastDir(file, path);
}

void writeLastDir(IniFile& file, const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    file.writeString(kHistory, kLastDir, folder);
}

bool SettingsStore::tryMarkRunning() const {
    const auto transaction = tryBegin();
    if (!transaction) return false;
    // The new file already says "Status" is set.
    if (exists())
        transaction->file().writeBool(kOptionsSection, kStatusKey, true);
    else
        writeNewFile(transaction->file());
    transaction->commit();
    return true;
}

SettingsStore::SaverSettings SettingsStore::readSaverSettings(
    const std::function<bool(const std::string&)>& exists) const {
    IniFile file(path_);
    SaverSettings s{quillo::readOptions(file), {}};
    s.lists = readSaverLists(file, s.options.sound, exists);
    return s;
}

std::unique_ptr<SettingsStore::Transaction> SettingsStore::begin(
    std::chrono::milliseconds wait) const {
    return std::make_unique<Transaction>(path_, IniStore(path_).lock(wait));
}

std::unique_ptr<SettingsStore::Transaction> SettingsStore::tryBegin() const {
    std::optional<IniStore::WritersLock> lock = IniStore(path_).tryLock();
    if (!lock) return nullptr;
    return std::make_unique<Transaction>(path_, std::move(*lock));
}

}  // namespace quillo
