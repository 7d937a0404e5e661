#pragma once
// The settings file: where it lives, its defaults, and the dialog's option load and save.
#include <chrono>
#include <string>

#include "IniFile.h"
#include "MediaSlots.h"
#include "Options.h"

namespace quillo {

class MessageBoxes;

// Set by InitSettingsPaths; one pair per process.
extern std::string SettingsDir;
extern std::string SettingsFile;

// Sets SettingsDir (application-data folder + "/Quillo") and SettingsFile (+ "/quillo51.ini"),
// creating the folder when missing; a failure shows the folder warning and goes on.
void InitSettingsPaths(MessageBoxes& boxes);

// Writes a complete new file with the defaults (kNewFileOptions and 1000 free slots in each list)
// and marks every slot of both tables free; slots may be null (the saver keeps no slot tables).
// Another process may have made the file since the caller looked: then it is left as it is,
// nothing is marked, and the result is false. lockWait as for IniFile::Transaction.
bool CreateDefaultSettings(SlotTables* slots,
                           std::chrono::milliseconds lockWait = IniFile::kLockWait);

// The option controls of the dialog, as plain state the dialog binds to its widgets.
struct OptionsState {
    bool soundOn = false;  // radsndon checked, else radsndof
    bool inOrder = false;  // Radseq checked, else Radran
    int color = 0;         // the checked colour-set button, 1..4
    int picdis = 0;        // the checked display-mode button, 1..11; 0 when none is checked
    std::string lblDelay;  // Lbldelay: the delay in whole seconds
    std::string lblWidth;
    std::string lblHeight;
    int delayPosition = 1;    // ScrollbarDelay, 1..800
    int widthPosition = 25;   // ScrollBarW, 25..widthMax
    int heightPosition = 25;  // ScrollBarH, 25..heightMax
    int widthMax = 25;        // the screen width
    int heightMax = 25;       // the screen height
    bool fit = false;         // chkfit: shrink large pictures to fit the screen
};

// The dialog's reading of the options: the delay shown in whole seconds (rounded, a half to the
// even neighbour), sizes below 25 shown as 25, and each bar clamped to its range.
OptionsState dialogOptions(const Options& options, int widthMax, int heightMax);

// The state the dialog shows right after it created a new file: the new file's options, except
// that the order shows "Display In Order" and the delay bar stays at its start.
OptionsState defaultDialogOptions(int screenWidth, int screenHeight);

// Reads "Options" into the option state (scroll maxima must already be set) and both slot tables.
void LoadSettings(OptionsState& options, SlotTables& slots);

// "Ok - Save": writes the options from the state, in their order, in one replacement of the
// file (all or none). Throws SettingsWriteError.
void SaveOptions(const OptionsState& options);

// "History"/"Last Dir": the folder to start the picture open dialog in, or fallback when the
// stored folder does not exist.
std::string ReadLastDir(const std::string& fallback);
// Stores the folder part of path (up to and including its last '/').
void WriteLastDir(const std::string& path);
// The same as one of the writes of a transaction on file.
void WriteLastDir(IniFile& file, const std::string& path);

}  // namespace quillo
