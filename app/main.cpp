// quillo: /S runs the saver, /C opens the settings, /A changes the saver password; anything else
// (no argument, a preview request /P, /S:1234, ...) ends at once.
#include <QApplication>
#include <optional>
#include <string>

#include "Dispatch.h"
#include "InstanceLock.h"
#include "SaverMode.h"
#include "SettingsMode.h"

int main(int argc, char** argv) {
    using namespace quillo;
    // A saver on the screen keeps every other start from doing anything, whatever it asked.
    if (InstanceLock::saverRunning()) return 0;
    const std::optional<std::string> first =
        argc > 1 ? std::optional<std::string>(argv[1]) : std::nullopt;
    LinuxSystemServices services;
    switch (chooseMode(first)) {
        case Mode::Saver: {
            QApplication app(argc, argv);
            return runSaverMode(services);
        }
        case Mode::Settings: {
            QApplication app(argc, argv);
            QApplication::setApplicationName("Quillo Screensaver");
            return runSettingsMode(services);
        }
        case Mode::PasswordChange:
            runPasswordChange(services);
            return 0;
        case Mode::None:
            break;
    }
    return 0;
}
