// A show on every screen against a show on one, both fading over twelve 4000x3000 photos at
// 1920x1080: the peak memory of a saver on the headless host with two such screens against one
// (each in a child process of its own), and on the Qt host the processor time of one fade with
// the show on both screens against the show on one, and how long each screen's fade takes. The
// Qt part needs an X server with two 1920x1080 monitors side by side (e.g. Xvfb at 3840x1080 with
// two RandR monitors); QUILLO_BENCH_XSERVER_PID names the server, whose processor time is counted
// too. QUILLO_BENCH_PHOTOS names a folder that keeps the photos between runs.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "EventLoop.h"
#include "HeadlessHost.h"
#include "QtHost.h"
#include "SaverWindow.h"

using namespace quillo;

namespace {

constexpr int kPhotoCount = 12;

// The settings folder (XDG_CONFIG_HOME) of the savers here, and the photos unless a folder is
// named for them; made once, removed at the end.
struct Folder {
    std::string dir;
    Folder() {
        dir = bench::makeTempFolder();
        mkdir((dir + "/Quillo").c_str(), 0700);
        setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    }
    ~Folder() { std::filesystem::remove_all(dir); }
};

const Folder& folder() {
    static const Folder f;
    return f;
}

// Plasma with noise, so each photo has a photo's detail and decoding cost; the same files as the
// slideshow benchmark's. Empty when convert fails.
const std::vector<std::string>& twelvePhotos() {
    static const std::vector<std::string> paths = [] {
        const char* kept = std::getenv("QUILLO_BENCH_PHOTOS");
        const std::string dir = kept && *kept ? kept : folder().dir;
        std::filesystem::create_directories(dir);
        std::vector<std::string> made;
        for (int n = 1; n <= kPhotoCount; ++n) {
            const std::string path = dir + "/" + std::to_string(n) + ".jpg";
            std::error_code error;
            if (std::filesystem::file_size(path, error) == 0 || error) {
                const std::string part = dir + "/" + std::to_string(n) + ".tmp.jpg";
                const std::string command =
                    "convert -seed " + std::to_string(n) +
                    " -size 500x375 plasma:fractal -resize '4000x3000!' -attenuate 0.4 +noise "
                    "Gaussian -quality 90 '" +
                    part + "' && mv '" + part + "' '" + path + "'";
                if (std::system(command.c_str()) != 0) return std::vector<std::string>{};
            }
            made.push_back(path);
        }
        return made;
    }();
    return paths;
}

// The fade over the twelve photos in order, on every screen or on the primary only; false when
// the photos could not be made.
bool writeFadeSettings(bool allScreens, int time) {
    const std::vector<std::string>& photos = twelvePhotos();
    if (photos.empty()) return false;
    std::ofstream ini(folder().dir + "/Quillo/quillo51.ini", std::ios::trunc);
    ini << "[Options]\nSound=0\nColor=1\nSeq=1\nPicdis=11\nTime=" << time
        << "\nAllScreens=" << (allScreens ? 1 : 0) << "\n[JpegConfig]\n";
    for (int n = 1; n <= 1000; ++n)
        ini << "Name" << n << "=" << (n <= kPhotoCount ? photos[std::size_t(n - 1)] : "Null")
            << "\n";
    return true;
}

// Peak memory of a child that runs the fade on that many 1920x1080 screens side by side for 13
// ticks, so every photo is shown at least once; with none, a child that does nothing (what every
// child holds before it starts).
void BM_PeakMemoryScreens(benchmark::State& state) {
    const int screenCount = int(state.range(0));
    if (!writeFadeSettings(screenCount > 1, 1000)) {
        state.SkipWithError("convert could not make the photos");
        return;
    }
    double peakMb = 0;
    for (auto _ : state) {
        const pid_t pid = fork();
        if (pid == 0) {
            if (screenCount > 0) {
                std::vector<ScreenInfo> screens;
                for (int i = 0; i < screenCount; ++i)
                    screens.push_back({.id = i,
                                       .area = Rect::fromSize(1920 * i, 0, 1920, 1080),
                                       .primary = i == 0});
                HeadlessHost host{screens};
                EventLoop loop{host};
                LinuxSystemServices services;
                SaverWindow saver(host, loop, services);
                saver.start();
                for (int tick = 0; tick < 13; ++tick) {
                    // As on a real clock, the picture ahead is decoded by its tick.
                    saver.waitForPictureAhead();
                    host.advance(1000);
                    loop.processMessages();
                    while (loop.animating()) {
                        loop.waitForWork();
                        loop.processMessages();
                    }
                }
                saver.waitForPictureAhead();
                if (saver.showCount() != screenCount) _exit(2);
            }
            _exit(0);
        }
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("the saver's child failed");
            return;
        }
        peakMb = std::max(peakMb, double(usage.ru_maxrss) / 1024.0);
    }
    state.counters["peak_mb"] = peakMb;
}

// The Qt host, counting each window's presents.
class CountingQtHost : public QtHost {
public:
    void present(WindowId window, const Rect& dirty) override {
        ++presents[window];
        QtHost::present(window, dirty);
    }
    std::map<WindowId, int> presents;
};

QApplication& application() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static QApplication app(argc, argv);
    return app;
}

double processCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// The X server's processor time so far, from its /proc stat (utime and stime); 0 when unknown.
double serverCpuMs() {
    const char* pid = std::getenv("QUILLO_BENCH_XSERVER_PID");
    if (!pid || !*pid) return 0;
    std::ifstream file(std::string("/proc/") + pid + "/stat");
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // The command name may hold spaces: the fields are counted from its closing parenthesis.
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n)
        if (n >= 14) ticks += std::stod(field);
    return ticks * 1e3 / double(sysconf(_SC_CLK_TCK));
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2),
                     values.end());
    return values[values.size() / 2];
}

// What the fades of one setting measured, fade by fade: the processor time of the saver and of the
// X server, and per screen the time from the tick to its last frame and the presents.
struct Fades {
    std::vector<double> cpuMs, serverMs;
    std::vector<std::vector<double>> seconds;
    std::vector<int> fewestPresents;
};

// A fresh saver on the Qt host with the show on both screens or on the primary only, and that many
// fades of it measured. The first tick, which takes two photos per screen, is left out: the ticks
// measured take one each, as a running slideshow does. A fade's processor time counts its tick,
// its frames and the decode the tick starts for the next one. False without two monitors.
bool measureFades(bool allScreens, int count, Fades& into) {
    writeFadeSettings(allScreens, 600000);
    application();
    CountingQtHost host;
    if (host.screens().size() != 2) return false;
    EventLoop loop{host};
    LinuxSystemServices services;
    SaverWindow saver(host, loop, services);
    saver.start();
    for (int i = 0; i < 20; ++i) loop.processMessages();  // let the windows map
    const std::size_t shows = std::size_t(saver.showCount());
    into.seconds.resize(shows);
    into.fewestPresents.resize(shows, std::numeric_limits<int>::max());

    for (int k = 0; k <= count; ++k) {
        saver.waitForPictureAhead();
        const double cpu0 = processCpuMs(), server0 = serverCpuMs();
        using Clock = std::chrono::steady_clock;
        const auto start = Clock::now();
        std::vector<std::optional<double>> ended(shows);
        const auto noteEnds = [&] {
            for (std::size_t i = 0; i < shows; ++i)
                if (!ended[i] && !saver.show(int(i)).nextFrameDue())
                    ended[i] = std::chrono::duration<double>(Clock::now() - start).count();
        };
        host.presents.clear();
        saver.onTick();
        loop.processMessages();
        noteEnds();
        while (loop.animating()) {
            loop.waitForWork();
            loop.processMessages();
            noteEnds();
        }
        saver.waitForPictureAhead();
        if (k == 0) continue;
        into.cpuMs.push_back(processCpuMs() - cpu0);
        into.serverMs.push_back(serverCpuMs() - server0);
        for (std::size_t i = 0; i < shows; ++i) {
            into.seconds[i].push_back(ended[i].value_or(0.0));
            into.fewestPresents[i] = std::min(into.fewestPresents[i], host.presents[WindowId(i)]);
        }
    }
    saver.stop();
    return true;
}

// The fade with the show on both screens against the show on the primary only, the two settings
// taking turns so that a busy machine weighs on both alike; medians of six fades each.
void BM_FadeScreens(benchmark::State& state) {
    if (twelvePhotos().empty()) {
        state.SkipWithError("convert could not make the photos");
        return;
    }
    Fades one, two;
    for (auto _ : state) {
        for (int round = 0; round < 3; ++round) {
            if (!measureFades(false, 2, one) || !measureFades(true, 2, two)) {
                state.SkipWithError("needs an X server with two monitors");
                return;
            }
        }
    }
    for (const auto& [name, fades] : {std::pair{"one_", &one}, std::pair{"two_", &two}}) {
        state.counters[std::string(name) + "cpu_ms"] = median(fades->cpuMs);
        state.counters[std::string(name) + "server_cpu_ms"] = median(fades->serverMs);
        for (std::size_t i = 0; i < fades->seconds.size(); ++i) {
            const std::string screen = std::to_string(i + 1);
            state.counters[name + ("fade_s_" + screen)] = median(fades->seconds[i]);
            state.counters[name + ("presents_" + screen)] = fades->fewestPresents[i];
        }
    }
}

// The children fork before the Qt part makes its application.
BENCHMARK(BM_PeakMemoryScreens)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1)
    ->DenseRange(0, 2);
BENCHMARK(BM_FadeScreens)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
