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
    return runSaverWindow(host, services, SaverSound::Alone);
}

int runSaverWindow(QtHost& host, SystemServices& services, SaverSound sound) {
    host.watchTerminationSignals();
    EventLoop loop(host);
    loop.setErrorDisplay(
        [&host](const std::exception& e) { host.show(MessageKind::Error, e.what()); });

    // Declared before the player, so it is let go only once the player has stopped: the saver
    // that takes the sound over never starts while this one still plays.
    SoundLock soundLock;
    // Declared before the window, so the window goes first and the player then closes its file.
    SdlMediaPlayer player(loop);
    SaverWindow form(host, loop, services, &player);
    SaverStart start;
    start.silent = sound == SaverSound::Off;
    if (sound == SaverSound::Shared)
        start.claimSound = [&soundLock] { return soundLock.tryAcquire(); };
    // A failed start (the settings file cannot be written, say) is reported over the black
    // window, which input still ends.
    loop.guarded([&] { form.start(std::move(start)); });
    loop.run();
    // A sound device that does not let go (a sink that stopped reading, a server that never
    // answers) must not keep the process, nor the locks that keep other starts away or quiet:
    // end at once without waiting for its thread; the end of the process releases the locks.
    if (!player.shutDown()) {
        // Not every stream: the stuck device may hold the lock of its own.
        std::fflush(stdout);
        ::_exit(0);
    }
    return 0;
}

}  // namespace quillo
