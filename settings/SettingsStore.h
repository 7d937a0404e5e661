#pragma once
// The settings file: where it lives, and the store object through which the dialog and the saver
// each read and write it (the new file, the options, the lists, "Last Dir" and the writers'
// transactions).
#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "IniFile.h"
#include "MediaSlots.h"
#include "Options.h"

namespace quillo {

class MessageBoxes;

struct SettingsPaths {
    std::string dir;   // application-data folder + "/Quillo"
    std::string file;  // dir + "/quillo51.ini"
};

// Finds the settings folder and file, creating the folder when missing; a failure shows the
// folder warning and the paths are given all the same.
SettingsPaths locateSettings(MessageBoxes& boxes);

// The dialog's view of the options: values as its controls show them.
struct OptionsState {
    bool soundOn = false;  // "Sound ON" checked, else "Sound OFF"
    bool inOrder = false;  // "Display In Order" checked, else "Display Randomly"
    ColorSetSetting color = ColorSetSetting::AlwaysBlack;
    // The checked display-mode button; none when no button is checked.
    std::optional<DisplayModeSetting> displayMode;
    long long delaySeconds = 0;                // the delay's value label
    long long width = kSmallestCustomSize;     // the width's value label
    long long height = kSmallestCustomSize;    // the height's value label
    int delayPosition = 1;                     // the delay bar, 1..kLongestDelaySeconds
    int widthPosition = kSmallestCustomSize;   // the width bar, kSmallestCustomSize..widthMax
    int heightPosition = kSmallestCustomSize;  // the height bar, kSmallestCustomSize..heightMax
    int widthMax = kSmallestCustomSize;        // the screen width
    int heightMax = kSmallestCustomSize;       // the screen height
    bool fit = false;                          // shrink large pictures to fit the screen
    bool shuffle = false;                      // every picture once before any repeats
    bool allScreens = false;                   // a show on every screen
    bool captions = false;                     // each photo's name and date over it
};

// The dialog's reading of the options: the delay shown in whole seconds (rounded, a half to the
// even neighbour), sizes raised as the option table says, and each bar clamped to its range.
OptionsState dialogOptions(const Options& options, int widthMax, int heightMax);
// The state the dialog shows right after it created a new file: the new file's options, except
// that the order shows "Display In Order" and the delay bar stays at its start.
OptionsState defaultDialogOptions(int screenWidth, int screenHeight);
// What "Ok - Save" writes for that state.
Options savedOptions(const OptionsState& state);

class SettingsStore {
public:
    SettingsStore() = default;  // no file yet: give it one before use
    explicit SettingsStore(std::string file) : path_(std::move(file)) {}
    const std::string& path() const { return path_; }
    bool exists() const;

    // Writes a complete new file: the options' new-file values and 1000 free slots in each list.
    // Another process may have made the file since the caller looked: then it is left as it is
    // and the result is false.
    bool createNewFile() const;

    Options readOptions() const;
    // The dialog's opening: the options shown and both slot tables.
    void load(OptionsState& options, SlotTables& slots) const;
    // "Ok - Save": the saved options in their order, in one replacement of the file (all or
    // none). Throws SettingsWriteError.
    void saveOptions(const OptionsState& options) const;
    // The same in one attempt that never waits: false, with nothing written, while another writer
    // holds the lock.
    bool trySaveOptions(const OptionsState& options) const;

    // "History"/"Last Dir": the folder to start the picture open dialog in, or fallback when the
    // stored folder does not exist.
    std::string readLastDir(const std::string& fallback) const;
    // Stores the folder part of path (up to and including its last '/').
    void writeLastDir(const std::string& path) const;

    // The saver's start, one attempt that never waits: the new file when there is none, else
    // "Status" written; false while another writer holds the lock (nothing is written then).
    // Throws SettingsWriteError when the write is refused.
    bool tryMarkRunning() const;
    struct SaverSettings {
        Options options;
        SaverLists lists;
    };
    SaverSettings readSaverSettings(const std::function<bool(const std::string&)>& exists) const;

    // A writers' transaction: the lock held and the file read under it; writes through file()
    // reach the file at commit(), all at once; without commit() nothing does.
    class Transaction {
    public:
        Transaction(const std::string& path, IniStore::WritersLock lock)
            : file_(path), transaction_(file_, std::move(lock)) {}
        IniFile& file() { return file_; }
        void commit() { transaction_.commit(); }

    private:
        IniFile file_;
        IniFile::Transaction transaction_;
    };
    // Waits up to `wait` for another writer; SettingsWriteError when it is not done by then.
    std::unique_ptr<Transaction> begin(
        std::chrono::milliseconds wait = IniStore::kWriterWait) const;
    // One attempt that never waits: null while another writer holds the lock.
    std::unique_ptr<Transaction> tryBegin() const;

private:
    static void saveOptions(Transaction& transaction, const OptionsState& options);

    std::string path_;
};

// "Last Dir" as one of the writes of a transaction.
void writeLastDir(IniFile& file, const std::string& path);

}  // namespace quillo
