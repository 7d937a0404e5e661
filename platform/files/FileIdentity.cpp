#include "FileIdentity.h"

#include <sys/stat.h>

namespace quillo {

FileIdentity fileIdentity(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return {};
    return {.exists = true,
            .device = std::uint64_t(st.st_dev),
            .inode = std::uint64_t(st.st_ino),
            .size = std::int64_t(st.st_size),
            .modifiedNs =
                std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + std::int64_t(st.st_mtim.tv_nsec)};
}

}  // namespace quillo
