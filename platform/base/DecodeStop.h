#pragma once
// How a picture's decoding, or shrinking, is stopped part way from another thread.
#include <atomic>

namespace quillo {

// Asked while a picture decodes or shrinks whether it is still wanted. Work asked to stop gives
// up within one step (a row of a bitmap, a row of libjpeg's blocks or output, a shrunk row) and
// throws DecodeStopped; the picture stays undecoded.
class DecodeStop {
public:
    virtual bool requested() const noexcept = 0;

protected:
    ~DecodeStop() = default;
};

// A stop raised by another thread: the decode ahead's, raised when the saver no longer wants
// the picture.
class StopFlag final : public DecodeStop {
public:
    void raise() noexcept { raised_.store(true, std::memory_order_relaxed); }
    void lower() noexcept { raised_.store(false, std::memory_order_relaxed); }
    bool requested() const noexcept override { return raised_.load(std::memory_order_relaxed); }

private:
    std::atomic<bool> raised_{false};
};

}  // namespace quillo
