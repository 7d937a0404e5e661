#include "Dispatch.h"

#include "AsciiCase.h"
#include "InstanceLock.h"

namespace quillo {

Mode chooseMode(const std::optional<std::string>& firstArgument) {
    if (!firstArgument) return Mode::None;
    const std::string upper = asciiUpper(*firstArgument);
    const std::string prefix = upper.substr(0, 2);
    if (upper == "/S") return Mode::Saver;
    if (upper == "/C" || prefix == "/C") return Mode::Settings;
    if (upper == "/A" || prefix == "/A") return Mode::PasswordChange;
    return Mode::None;
}

bool admitStart(StartKind kind, InstanceLock& lock) {
    switch (kind) {
        case StartKind::FullScreen:
            // Taking it alone is the test: of two racing starts, one wins.
            return lock.acquire();
        case StartKind::Switch:
            return !InstanceLock::saverRunning();
        case StartKind::InWindow:
            return lock.acquireShared();
        case StartKind::Preview:
            // A preview holds nothing: the settings dialog opens beside it.
            return !InstanceLock::soleSaverRunning();
    }
    return false;
}

std::optional<std::string> informationText(const std::vector<std::string>& args) {
    if (args.empty()) return std::nullopt;
    if (args[0] == "--version") return "quillo " QUILLO_VERSION "\n";
    if (args[0] != "--help") return std::nullopt;
    return "Usage: quillo /S | /C | /A | -root | -window-id WINDOW\n"
           "A picture-and-sound screen saver.\n"
           "\n"
           "  /S                  run the saver full screen; input ends it\n"
           "  /C                  open the settings dialog (also /c:1234, /CONFIG)\n"
           "  /A                  password change: the desktop's screen locker owns passwords,\n"
           "                      so this ends at once\n"
           "  -root               the show inside the window named by XSCREENSAVER_WINDOW\n"
           "  -window-id WINDOW   a silent preview inside WINDOW (wins over -root)\n"
           "  --help              this text\n"
           "  --version           the version\n"
           "\n"
           "Anything else ends at once. While a saver runs, /S, /C and /A end at once; -root and\n"
           "-window-id run beside other -root and -window-id starts, not beside /S.\n"
           "Settings: $XDG_CONFIG_HOME/Quillo/quillo51.ini (default ~/.config/Quillo).\n";
}

}  // namespace quillo
