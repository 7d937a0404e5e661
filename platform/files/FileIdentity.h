#pragma once
// What tells one version of a file from another without reading it: the device and inode it
// lives on, its size and its modification time to the nanosecond. A file rewritten in place
// changes its size or time; one replaced by another changes its inode.
#include <cstdint>
#include <string>

namespace quillo {

struct FileIdentity {
    bool exists = false;  // false: nothing could be read of it, and the rest stays zero
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedNs = 0;

    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the file a path names now (following links, as opening it does).
FileIdentity fileIdentity(const std::string& path);

}  // namespace quillo
