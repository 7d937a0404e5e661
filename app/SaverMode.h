#pragma once
#include "SystemServices.h"

namespace quillo {

class QtHost;

// Runs the full-screen saver until input (or SIGTERM/SIGINT) ends it. A QApplication must exist.
int runSaverMode(SystemServices& services);

// Runs the saver window on a host that is already set up (full screen, or inside another
// program's window) until it ends. `takeLock` marks it as the saver on the screen; `silent`
// keeps its sound off whatever the settings say.
int runSaverWindow(QtHost& host, SystemServices& services, bool takeLock, bool silent);

}  // namespace quillo
