#include "EmbeddedMode.h"

#include <QApplication>
#include <cstdio>

#include "EventLoop.h"
#include "InstanceLock.h"
#include "Picture.h"
#include "QtHost.h"
#include "SaverWindow.h"

namespace quillo {

int runEmbeddedMode(SystemServices& services, const WindowRequest& request) {
    QApplication::setApplicationDisplayName(kSaverApplicationTitle);
    QtHost host;
    if (!host.embedInto(request.window)) {
        std::fprintf(stderr, "quillo: no window 0x%lx to draw into\n",
                     static_cast<unsigned long>(request.window));
        return 1;
    }
    host.watchTerminationSignals();
    setScreenColorDepth(host.screenDepth());
    EventLoop loop(host);
    loop.setErrorDisplay(
        [&host](const std::exception& e) { host.show(MessageKind::Error, e.what()); });

    // The daemon's window is the saver on the screen; a preview is not, and must not keep the
    // settings dialog from opening.
    InstanceLock lock;
    if (!request.silent) lock.acquire();
    SaverWindow form(host, loop, services);
    form.Silent = request.silent;
    loop.guarded([&] { form.FormCreate(); });
    form.Show();
    loop.run();
    return 0;
}

}  // namespace quillo
