#pragma once
// Presents the framebuffer on an X11 window through a shared-memory image in the window's own
// 32-bit format: a present is one conversion of the dirty area into shared memory and one put,
// without the toolkit's backing store in between.
#include <memory>

#include "Bitmap.h"

namespace quillo {

class ShmPresenter {
public:
    // Null when the display is not X11, the server has no shared memory for us (a remote
    // server), or the window's pixels are not 32-bit true colour.
    static std::unique_ptr<ShmPresenter> open(unsigned long window);
    ~ShmPresenter();

    // Puts the area of the framebuffer on the window at the same place. Returns once the puts
    // are sent, so the caller draws on while the server copies; the next present, and finish(),
    // wait until the server has taken them. False when it could not, so the caller presents
    // another way.
    bool present(const Bitmap& framebuffer, const Rect& area);
    // Waits until the server has taken the last present.
    void finish();

private:
    struct Image;
    ShmPresenter() = default;
    bool resize(Size size);

    void* display_ = nullptr;
    unsigned long window_ = 0;
    void* visual_ = nullptr;
    int depth_ = 0;
    void* gc_ = nullptr;
    bool pending_ = false;
    std::unique_ptr<Image> image_;
};

}  // namespace quillo
