#include "ShellOpen.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

extern char** environ;

namespace quillo {

namespace {

// xdg-open processes that outlived the wait; reaped at the next call so none stays a zombie.
std::vector<pid_t>& pendingChildren() {
    static std::vector<pid_t> pids;
    return pids;
}

void reapPending() {
    auto& pids = pendingChildren();
    std::erase_if(pids, [](pid_t pid) {
        int status = 0;
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

// Starts program (searched on PATH) with args; stdin from /dev/null, stdout into outFd when it
// is not -1. Returns the pid, or -1 with errno set by the spawn.
pid_t spawn(const std::vector<std::string>& args, int outFd, int& spawnError) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (outFd >= 0) posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    pid_t pid = -1;
    spawnError = ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return spawnError == 0 ? pid : -1;
}

// Runs a short query and returns what it printed, trimmed; "" on any failure.
std::string queryOutput(const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return "";
    int err = 0;
    const pid_t pid = spawn(args, fds[1], err);
    ::close(fds[1]);
    std::string out;
    if (pid > 0) {
        char buf[512];
        for (;;) {
            const ssize_t n = ::read(fds[0], buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            if (out.size() < 4096) out.append(buf, std::size_t(n));
        }
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) out.clear();
    }
    ::close(fds[0]);
    const auto first = out.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return "";
    return out.substr(first, out.find_last_not_of(" \t\r\n") - first + 1);
}

// "https" for "https://host/..."; "" for a plain path.
std::string schemeOf(const std::string& target) {
    const auto colon = target.find(':');
    if (colon == std::string::npos || colon == 0) return "";
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = target[i];
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return "";
    }
    return target.substr(0, colon);
}

bool hasAssociatedProgram(const std::string& target) {
    const std::string scheme = schemeOf(target);
    const std::string type = scheme.empty() ? queryOutput({"xdg-mime", "query", "filetype", target})
                                            : "x-scheme-handler/" + scheme;
    if (type.empty()) return false;
    return !queryOutput({"xdg-mime", "query", "default", type}).empty();
}

}  // namespace

OpenResult ShellOpen(const std::string& target) {
    reapPending();
    int err = 0;
    const pid_t pid = spawn({"xdg-open", target}, -1, err);
    if (pid < 0) return OpenResult::Failed;

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(kShellWaitMilliseconds);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (r < 0 && errno != EINTR) return OpenResult::Failed;
        if (Clock::now() >= deadline) {
            pendingChildren().push_back(pid);
            return OpenResult::Opened;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status)) return OpenResult::Failed;
    switch (WEXITSTATUS(status)) {
        case 0:
            return OpenResult::Opened;
        case 3:
        case 4:
            return hasAssociatedProgram(target) ? OpenResult::Failed : OpenResult::NoProgram;
        default:
            return OpenResult::Failed;
    }
}

}  // namespace quillo
