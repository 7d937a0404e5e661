// The floor of a fade frame on this X server: a plain X client blends two screen-sized frames of
// 32-bit words into a shared-memory image, puts it on a full-screen window and waits for the
// server (XShmPutImage + XSync), frame after frame, paced as the fade is (each frame due 40 ms
// after the previous one) or back to back. It depends on nothing of the saver's, so its figure
// stays the same whatever the saver's frames become.
//
// Usage: fade_floor FRAMES PAUSE_MS
// Prints "<ms of this process per frame> <ms of the X server per frame>" for frames 2 to FRAMES
// (the first puts the window up); the X server's time is read from /proc when
// QUILLO_BENCH_XSERVER_PID names its process, else it is 0.
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace {

std::uint64_t clockNs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return std::uint64_t(t.tv_sec) * 1'000'000'000u + std::uint64_t(t.tv_nsec);
}

// Processor time of every thread of a process, in ns (the first field of each schedstat).
std::uint64_t processCpuNs(const char* pid) {
    if (!pid) return 0;
    std::uint64_t sum = 0;
    std::error_code error;
    for (const auto& task :
         std::filesystem::directory_iterator(std::string("/proc/") + pid + "/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        std::uint64_t ns = 0;
        if (in >> ns) sum += ns;
    }
    return sum;
}

// new = (a x (256 - f) + b x f) / 256 per byte: plain loops the compiler vectorises.
void blend(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t n,
           unsigned f) {
    for (std::size_t i = 0; i < n; ++i) out[i] = std::uint8_t((a[i] * (256u - f) + b[i] * f) >> 8);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fade_floor FRAMES PAUSE_MS\n");
        return 2;
    }
    const int frames = std::atoi(argv[1]);
    const std::uint64_t pauseNs = std::uint64_t(std::atoi(argv[2])) * 1'000'000u;
    Display* display = XOpenDisplay(nullptr);
    if (!display || !XShmQueryExtension(display) || frames < 2) {
        std::fprintf(stderr, "fade_floor: no X server with shared memory\n");
        return 1;
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
    XShmSegmentInfo segment{};
    XImage* image = XShmCreateImage(display, visual, unsigned(depth), ZPixmap, nullptr, &segment,
                                    unsigned(w), unsigned(h));
    const std::size_t bytes = std::size_t(image->bytes_per_line) * std::size_t(h);
    segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
    segment.readOnly = False;
    XShmAttach(display, &segment);
    XSync(display, False);
    shmctl(segment.shmid, IPC_RMID, nullptr);  // gone once both sides detach
    const GC gc = XCreateGC(display, window, 0, nullptr);

    // Two frames of noise, so nothing is cheaper than a photo's pixels.
    std::vector<std::uint8_t> a(bytes), b(bytes);
    std::uint32_t seed = 1;
    for (std::size_t i = 0; i < bytes; ++i) {
        seed = seed * 1664525u + 1013904223u;
        a[i] = std::uint8_t(seed >> 24);
        b[i] = std::uint8_t(seed >> 16);
    }

    const char* serverPid = std::getenv("QUILLO_BENCH_XSERVER_PID");
    std::uint64_t due = clockNs(CLOCK_MONOTONIC), ownStart = 0, serverStart = 0;
    for (int frame = 0; frame < frames; ++frame) {
        if (frame == 1) {
            ownStart = clockNs(CLOCK_PROCESS_CPUTIME_ID);
            serverStart = processCpuNs(serverPid);
        }
        blend(reinterpret_cast<std::uint8_t*>(image->data), a.data(), b.data(), bytes,
              unsigned(frame * 256 / (frames - 1)));
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, unsigned(w), unsigned(h), False);
        XSync(display, False);
        if (pauseNs) {
            due += pauseNs;
            const std::uint64_t now = clockNs(CLOCK_MONOTONIC);
            if (due < now) due = now;
            const timespec until{time_t(due / 1'000'000'000u), long(due % 1'000'000'000u)};
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr);
        }
    }
    const double own = double(clockNs(CLOCK_PROCESS_CPUTIME_ID) - ownStart) / 1e6;
    const double server = double(processCpuNs(serverPid) - serverStart) / 1e6;
    std::printf("%.3f %.3f\n", own / (frames - 1), server / (frames - 1));

    XFreeGC(display, gc);
    XShmDetach(display, &segment);
    image->data = nullptr;  // the segment is not Xlib's to free
    XDestroyImage(image);
    shmdt(segment.shmaddr);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
