#pragma once
// A picture file opened for reading. Opening never blocks (a FIFO would wait for a writer) and
// only a regular file is read: anything else is the unreadable file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillo {

class PictureFile {
public:
    // Throws InvalidGraphic when the file cannot be opened or is no regular file.
    explicit PictureFile(const std::string& path);
    ~PictureFile();
    PictureFile(const PictureFile&) = delete;
    PictureFile& operator=(const PictureFile&) = delete;

    // The size at open: nothing beyond it is ever read.
    std::uint64_t size() const { return size_; }
    int descriptor() const { return fd_; }

    // Reads on into bytes until it holds `limit` bytes (never more than the file's size at open)
    // or the file ends; a file that changes meanwhile just gives what was there. Throws
    // InvalidGraphic on a read error.
    void readUpTo(std::vector<std::uint8_t>& bytes, std::uint64_t limit);

private:
    std::string path_;
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

// Up to `size` bytes of the open file `fd` from `offset` into `out`, fewer only at its end; -1
// on a read error. Plain system calls only, so a libjpeg source may call it.
long readFileAt(int fd, std::uint64_t offset, std::uint8_t* out, std::size_t size);

}  // namespace quillo
