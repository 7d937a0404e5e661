// quillo: /S runs the saver, /C opens the settings, /A changes the saver password; -root and
// -window-id N draw into another program's window; --help and --version print and end; anything
// else (no argument, a preview request /P, /S:1234, ...) ends at once.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "Dispatch.h"
#include "EmbeddedMode.h"
#include "InstanceLock.h"
#include "SaverMode.h"
#include "SettingsMode.h"
#include "SleepLock.h"

namespace {

// Every window and message box shows Quillo's icon, not the toolkit's.
void useQuilloIcon() {
    QApplication::setWindowIcon(QIcon(":/quillo.svg"));
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quillo;
    // Before anything is opened: only a descriptor open now can be the idle manager's.
    claimSleepLock();
    const std::vector<std::string> args(argv + 1, argv + argc);
    // Printing only: allowed beside a running saver too.
    if (const auto text = informationText(args)) {
        std::fputs(text->c_str(), stdout);
        return 0;
    }
    const std::optional<std::string> first =
        argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt;
    LinuxSystemServices services;
    // Held until the process ends: the mark of a saver on the screen, for the starts after it.
    InstanceLock lock;
    // Idle daemons and settings programs: the show inside a window of theirs.
    if (const auto request = readWindowArguments(args, std::getenv("XSCREENSAVER_WINDOW"))) {
        if (!request->error.empty()) {
            std::fprintf(stderr, "quillo: %s\n", request->error.c_str());
            return 2;
        }
        // Beside the full-screen saver: that saver covers the screen, so end as every other
        // start does then.
        if (!admitStart(request->silent ? StartKind::Preview : StartKind::InWindow, lock)) return 0;
        QApplication app(argc, argv);
        useQuilloIcon();
        return runEmbeddedMode(services, *request);
    }
    const Mode mode = chooseMode(first);
    if (mode == Mode::None) return 0;
    // A saver on the screen, in a window or not, keeps these starts from doing anything.
    if (!admitStart(mode == Mode::Saver ? StartKind::FullScreen : StartKind::Switch, lock))
        return 0;
    switch (mode) {
        case Mode::Saver: {
            QApplication app(argc, argv);
            useQuilloIcon();
            return runSaverMode(services);
        }
        case Mode::Settings: {
            QApplication app(argc, argv);
            useQuilloIcon();
            QApplication::setApplicationName("Quillo Screensaver");
            return runSettingsMode(services);
        }
        case Mode::PasswordChange:
            // The desktop's screen locker owns passwords: nothing to change here.
            return 0;
        case Mode::None:
            break;
    }
    return 0;
}
