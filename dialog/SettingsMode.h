#pragma once
#include "SystemServices.h"

namespace quillo {

// Runs the settings dialog until "Ok - Save" closes it. A QApplication must exist.
int runSettingsMode(SystemServices& services);

}  // namespace quillo
