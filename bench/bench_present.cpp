// Full-screen present of the Qt host (run under an X server, e.g. Xvfb at 3840x2160), against the
// floor of the same X server: one shared-memory put of a whole frame already in its own format,
// by a plain X client on a window of its own, waited for. A plain copy of the framebuffer bytes in
// memory is measured too. The X server's processor time per present is the counter "server_cpu"
// (ms) when QUILLO_BENCH_XSERVER_PID names it: on a busy machine, the present's and the put's
// processor time with the server's are steadier than their wall-clock times.
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/shm.h>

// Xlib's macros (None, Bool, Status...) clash with Qt's headers: Qt first.
#include <QApplication>
#include <algorithm>
#include <cstring>
#include <memory>

#include "BenchSupport.h"
#include "QtHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace {

struct QtFixture {
    int argc = 1;
    char name[8] = "bench";
    char* argv[2] = {name, nullptr};
    QApplication app{argc, argv};
    quillo::QtHost host;
    quillo::Bitmap frame;
    quillo::WindowId window = 0;

    QtFixture() {
        const quillo::Size s = host.screenSize();
        // The host's own framebuffer, which it presents from as it is.
        frame = host.makeFramebuffer(s);
        for (int y = 0; y < frame.height(); ++y)
            std::fill_n(frame.row(y), frame.width(), quillo::pixelOf(y, y, y));
        window = host.openWindow("bench", frame);
        std::vector<quillo::Event> ignored;
        for (int i = 0; i < 20; ++i) host.pumpInput(ignored);  // let the window map
    }
};

QtFixture& fixture() {
    static QtFixture f;
    return f;
}

void BM_PresentFullScreen(benchmark::State& state) {
    QtFixture& f = fixture();
    const double server = quillo::bench::xServerCpuMs();
    // Sent, then waited for as the next draw into the framebuffer waits for it.
    for (auto _ : state) {
        f.host.present(f.window, f.frame.rect());
        f.host.beforeDrawing(f.window);
    }
    state.counters["server_cpu"] = benchmark::Counter(quillo::bench::xServerCpuMs() - server,
                                                      benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.frame.byteSize()));
}
BENCHMARK(BM_PresentFullScreen)->Unit(benchmark::kMillisecond);

void BM_CopyFrameBytes(benchmark::State& state) {
    QtFixture& f = fixture();
    std::vector<std::uint8_t> copy(f.frame.byteSize());
    for (auto _ : state) {
        std::memcpy(copy.data(), f.frame.data(), copy.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(f.frame.byteSize()));
}
BENCHMARK(BM_CopyFrameBytes)->Unit(benchmark::kMillisecond);

// The floor: a screen-sized window of our own and a shared-memory image in the screen's format,
// put whole and waited for, as a present of a whole frame is.
void BM_XShmPutImage(benchmark::State& state) {
    Display* display = XOpenDisplay(nullptr);
    if (!display || !XShmQueryExtension(display)) {
        if (display) XCloseDisplay(display);
        state.SkipWithError("no X server with shared memory");
        return;
    }
    const int screen = DefaultScreen(display);
    const int w = DisplayWidth(display, screen), h = DisplayHeight(display, screen);
    Visual* visual = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window window =
        XCreateWindow(display, RootWindow(display, screen), 0, 0, unsigned(w), unsigned(h), 0,
                      depth, InputOutput, visual, CWOverrideRedirect, &attributes);
    XMapRaised(display, window);
    XSync(display, False);
    XShmSegmentInfo segment{};
    XImage* image = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &segment,
                                    unsigned(w), unsigned(h));
    segment.shmid =
        shmget(IPC_PRIVATE, std::size_t(image->bytes_per_line) * std::size_t(h), IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);  // gone once both sides detach
    for (int y = 0; y < h; ++y)
        std::memset(image->data + std::size_t(y) * std::size_t(image->bytes_per_line), y & 0xFF,
                    std::size_t(image->bytes_per_line));
    const GC gc = XCreateGC(display, window, 0, nullptr);
    const double server = quillo::bench::xServerCpuMs();
    for (auto _ : state) {
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(w), unsigned(h), False);
        XSync(display, False);
    }
    state.counters["server_cpu"] = benchmark::Counter(quillo::bench::xServerCpuMs() - server,
                                                      benchmark::Counter::kAvgIterations);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(w) * h * 4);
    XFreeGC(display, gc);
    XShmDetach(display, &segment);
    image->data = nullptr;  // the segment is not Xlib's to free
    XDestroyImage(image);
    shmdt(segment.shmaddr);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
}
BENCHMARK(BM_XShmPutImage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
