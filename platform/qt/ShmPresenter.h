#pragma once
// Framebuffers in memory the X server shares with us, in the server's own 32-bit true-colour
// format, and the puts that show them: a present is one XShmPutImage of the dirty area, with no
// conversion and no copy, and no toolkit backing store beside it.
#include <memory>

#include "Bitmap.h"

namespace quillo {

class ShmPresenter {
public:
    // Null when the display is not X11, the server has no shared memory for us (a remote
    // server), its default visual is not 32-bit true colour in our pixels' layout, or our pixels
    // are not 32-bit words.
    static std::unique_ptr<ShmPresenter> open();
    ~ShmPresenter();

    // A black framebuffer of that size in a new segment the server has attached; an empty bitmap
    // when there is none to be had. The segment goes with the bitmap's last holder.
    Bitmap makeFramebuffer(Size size);
    // Whether the bitmap is a framebuffer of ours.
    bool holds(const Bitmap& framebuffer) const;
    // Whether the window's pixels are those our images are made for.
    bool suits(unsigned long window) const;
    // Puts the area of the framebuffer on the window at the same place. Returns once the put is
    // sent, so the caller goes on while the server copies; finish() waits until it has. False
    // when the framebuffer is not one of ours, so the caller presents another way.
    bool present(unsigned long window, const Bitmap& framebuffer, const Rect& area);
    // Waits until the server has read every put sent: the framebuffer may be written again.
    void finish();

    struct Shared;

private:
    ShmPresenter() = default;
    std::shared_ptr<Shared> shared_;
};

}  // namespace quillo
