#include "SaverMode.h"

#include <unistd.h>

#include <QApplication>
#include <cstdio>

#include "EventLoop.h"
#include "InstanceLock.h"
#include "QtHost.h"
#include "SaverWindow.h"
#include "SdlMediaPlayer.h"

namespace quillo {

int runSaverMode(SystemServices& services) {
    // The application's name only: a display name would be appended to every window title.
    QApplication::setApplicationName(kSaverApplicationTitle);
    QtHost host;
    return runSaverWindow(host, services, true, false);
}

int runSaverWindow(QtHost& host, SystemServices& services, bool takeLock, bool silent) {
    host.watchTerminationSignals();
    EventLoop loop(host);
    loop.setErrorDisplay(
        [&host](const std::exception& e) { host.show(MessageKind::Error, e.what()); });

    // The lock marks a saver on the screen from the window's creation until the process ends.
    InstanceLock lock;
    if (takeLock) lock.acquire();
    // Declared before the window, so the window goes first and the player then closes its file.
    SdlMediaPlayer player(loop);
    SaverWindow form(host, loop, services, &player);
    form.Silent = silent;
    // A failed start (the settings file cannot be written, say) is reported and leaves the window
    // as far as it got: it still shows and input still ends it.
    loop.guarded([&] { form.FormCreate(); });
    form.showWindow();
    loop.run();
    // A sound device that does not let go (a sink that stopped reading, a server that never
    // answers) must not keep the process, nor the lock that keeps every other start away: end
    // at once without waiting for its thread; the end of the process releases the lock.
    if (!player.shutDown()) {
        // Not every stream: the stuck device may hold the lock of its own.
        std::fflush(stdout);
        ::_exit(0);
    }
    return 0;
}

}  // namespace quillo
