#include "PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

#include "Errors.h"

namespace quillo {

PictureFile::PictureFile(const std::string& path) : path_(path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd_ < 0) throw InvalidGraphic("Cannot open the picture file " + path);
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw InvalidGraphic("Not a picture file: " + path);
    }
    size_ = std::uint64_t(st.st_size);
}

PictureFile::~PictureFile() {
    ::close(fd_);
}

void PictureFile::readUpTo(std::vector<std::uint8_t>& bytes, std::uint64_t limit) {
    const std::size_t target = std::size_t(std::min(limit, size_));
    if (target <= bytes.size()) return;
    const std::size_t done = bytes.size();
    bytes.resize(target);
    const long n = readFileAt(fd_, done, bytes.data() + done, target - done);
    if (n < 0) throw InvalidGraphic("Cannot read the picture file " + path_);
    bytes.resize(done + std::size_t(n));
}

long readFileAt(int fd, std::uint64_t offset, std::uint8_t* out, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, out + done, size - done, off_t(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) break;
        done += std::size_t(n);
    }
    return long(done);
}

}  // namespace quillo
