#pragma once
// Choosing the mode from the command line, and the password change.
#include <optional>
#include <string>
#include <vector>

namespace quillo {

class InstanceLock;

enum class Mode { None, Saver, Settings, PasswordChange };

// The mode for the first argument (nullopt: no argument). "/S" only as a whole; "/C" and "/A" by
// their first two characters; ASCII letters compared without regard to case.
Mode chooseMode(const std::optional<std::string>& firstArgument);

// What a start does beside the savers already running.
enum class StartKind {
    FullScreen,  // /S: a saver alone on the screen
    Switch,      // /C and /A: nothing of their own on the screen while a saver runs
    InWindow,    // -root: a saver inside an idle daemon's window, one per monitor
    Preview,     // -window-id: a settings program's silent preview, not a saver
};

// Whether a start of that kind may run now, taking its part of the saver's lock into `lock`
// (which the caller keeps until the process ends). The full-screen saver, /C and /A run only
// while no saver runs, in a window or not. Savers in windows and previews run beside each other,
// however many, but never beside the full-screen saver.
bool admitStart(StartKind kind, InstanceLock& lock);

// The text that "--help" (usage) or "--version" as the first argument prints on standard output;
// nullopt for every other command line.
std::optional<std::string> informationText(const std::vector<std::string>& args);

}  // namespace quillo
