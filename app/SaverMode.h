#pragma once
#include "SystemServices.h"

namespace quillo {

// Runs the full-screen saver until input (or SIGTERM/SIGINT) ends it. A QApplication must exist.
int runSaverMode(SystemServices& services);

}  // namespace quillo
