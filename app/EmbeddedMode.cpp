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
    // The daemon's window is the saver on the screen; a preview is not, and must not keep the
    // settings dialog from opening.
    return runSaverWindow(host, services, !request.silent, request.silent);
}

}  // namespace quillo
