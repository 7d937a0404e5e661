#pragma once
// The settings mode ("/C"): the settings dialog as the program's main window.

namespace quillo {

class SystemServices;

// Needs a QApplication. Creates the dialog and its hidden About box, runs the dialog's start-up
// (which may show message boxes before the dialog appears), shows the dialog centred and runs
// the event loop until the dialog closes. Returns the process exit code (0).
int runSettingsMode(SystemServices& services);

}  // namespace quillo
