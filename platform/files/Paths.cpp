#include "Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>

namespace quillo {

namespace {

std::string envValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

}  // namespace

std::string homeDirectory() {
    std::string home = envValue("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return {};
}

std::string applicationDataDir() {
    // Relative values are invalid by the base-directory rules and are ignored.
    std::string config = envValue("XDG_CONFIG_HOME");
    if (!config.empty() && config.front() == '/') return config;
    std::string home = homeDirectory();
    return home.empty() ? std::string() : home + "/.config";
}

std::string picturesDir() {
    std::string pictures = envValue("XDG_PICTURES_DIR");
    if (!pictures.empty() && directoryExists(pictures)) return pictures;
    std::string home = homeDirectory();
    if (home.empty()) return {};
    if (directoryExists(home + "/Pictures")) return home + "/Pictures";
    return home;
}

bool fileExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool directoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool createDirectory(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    if (::mkdir(path.c_str(), mode_t(mode)) == 0) return true;
    return errno == EEXIST && directoryExists(path);
}

}  // namespace quillo
