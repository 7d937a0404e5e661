#include "EmbeddedMode.h"

#include <QApplication>
#include <cstdio>

#include "QtHost.h"
#include "SaverMode.h"
#include "SaverWindow.h"

namespace quillo {

int runEmbeddedMode(SystemServices& services, const WindowRequest& request) {
    QApplication::setApplicationName(kSaverApplicationTitle);
    QtHost host;
    if (!host.embedInto(request.window)) {
        std::fprintf(stderr, "quillo: no window 0x%lx to draw into\n",
                     static_cast<unsigned long>(request.window));
        return 1;
    }
    // Savers in the daemon's windows (one per monitor) share the sound list: one plays it. A
    // preview plays nothing.
    return runSaverWindow(host, services, request.silent ? SaverSound::Off : SaverSound::Shared);
}

}  // namespace quillo
