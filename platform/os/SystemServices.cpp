#include "SystemServices.h"

#include "Paths.h"

namespace quillo {

std::string LinuxSystemServices::systemDirectory() {
    return "/usr/lib";
}

std::string LinuxSystemServices::picturesDirectory() {
    return picturesDir();
}

// The desktop's screen locker owns passwords on Linux: no password library exists here.
std::unique_ptr<PasswordLibrary> LinuxSystemServices::loadLibrary(const std::string&) {
    return nullptr;
}

// There is no registry; every key reads as missing.
std::unique_ptr<RegistryKey> LinuxSystemServices::openCurrentUserKey(const std::string&) {
    return nullptr;
}

}  // namespace quillo
