#pragma once
#include "SystemServices.h"
#include "WindowArguments.h"

namespace quillo {

// Runs the show inside another program's window until SIGTERM, SIGINT or the window's end.
// A QApplication must exist. Returns 1, with a message on stderr, when the window does not exist.
int runEmbeddedMode(SystemServices& services, const WindowRequest& request);

}  // namespace quillo
