#include "FrameTrace.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace quillo::frametrace {

namespace {

// Opened once, on the first call; never closed, so every line is flushed as it is written and a
// saver ended by a signal loses none.
std::FILE* traceFile() {
    static std::FILE* const file = [] {
        const char* path = std::getenv("QUILLO_TRACE");
        std::FILE* f = path && *path ? std::fopen(path, "a") : nullptr;
        if (f) std::setvbuf(f, nullptr, _IOLBF, 0);
        return f;
    }();
    return file;
}

std::uint64_t monotonicNs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::uint64_t(t.tv_sec) * 1'000'000'000u + std::uint64_t(t.tv_nsec);
}

}  // namespace

void tickDue(int show, std::uint64_t dueNs) {
    if (std::FILE* f = traceFile()) std::fprintf(f, "tick-due %d %" PRIu64 "\n", show, dueNs);
}

void present(int window, int width, int height) {
    if (std::FILE* f = traceFile())
        std::fprintf(f, "present %d %" PRIu64 " %dx%d\n", window, monotonicNs(), width, height);
}

}  // namespace quillo::frametrace
