#pragma once
#include "SystemServices.h"

namespace quillo {

class QtHost;

// Runs the full-screen saver until input (or SIGTERM/SIGINT) ends it. A QApplication must exist.
int runSaverMode(SystemServices& services);

// Whose the sound list is: the saver's alone (full screen), one saver's at a time among those
// side by side (in an idle daemon's windows), or nobody's (a preview).
enum class SaverSound { Alone, Shared, Off };

// Runs the saver window on a host that is already set up (full screen, or inside another
// program's window) until it ends. The caller holds the saver's lock.
int runSaverWindow(QtHost& host, SystemServices& services, SaverSound sound);

}  // namespace quillo
