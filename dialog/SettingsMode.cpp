#include "SettingsMode.h"

namespace quillo {

int runSettingsMode(SystemServices&) { return 0; }

}  // namespace quillo
