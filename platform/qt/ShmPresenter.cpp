#include "ShmPresenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>

// Qt before Xlib: Xlib's macros (None, Bool, Status...) would break Qt's headers.
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace quillo {

namespace {

// Errors of the attach are expected on servers that cannot share our memory: recorded, not fatal.
bool g_xError = false;
int recordError(Display*, XErrorEvent*) {
    g_xError = true;
    return 0;
}

}  // namespace

struct ShmPresenter::Image {
    Display* display = nullptr;
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    bool attached = false;

    ~Image() {
        if (attached) {
            XShmDetach(display, &segment);
            XSync(display, False);
        }
        if (image) {
            image->data = nullptr;  // the segment is not Xlib's to free
            XDestroyImage(image);
        }
        if (segment.shmaddr && segment.shmaddr != reinterpret_cast<char*>(-1))
            shmdt(segment.shmaddr);
    }
};

std::unique_ptr<ShmPresenter> ShmPresenter::open(unsigned long window) {
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display || !window || !XShmQueryExtension(display)) return nullptr;
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, Window(window), &attributes)) return nullptr;
    const Visual* v = attributes.visual;
    // 0xAARRGGBB words in the server's byte order, as the conversion writes them on this machine.
    if (attributes.depth != 24 && attributes.depth != 32) return nullptr;
    if (!v || v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 || v->blue_mask != 0xFF)
        return nullptr;
    constexpr bool littleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    if (ImageByteOrder(display) != (littleEndian ? LSBFirst : MSBFirst)) return nullptr;
    std::unique_ptr<ShmPresenter> p(new ShmPresenter);
    p->display_ = display;
    p->window_ = window;
    p->visual_ = attributes.visual;
    p->depth_ = attributes.depth;
    if (!p->resize({attributes.width, attributes.height})) return nullptr;
    p->gc_ = XCreateGC(display, Window(window), 0, nullptr);
    return p;
}

ShmPresenter::~ShmPresenter() {
    finish();
    image_.reset();
    if (gc_) XFreeGC(static_cast<Display*>(display_), static_cast<GC>(gc_));
}

bool ShmPresenter::resize(Size size) {
    finish();
    image_.reset();
    if (size.width <= 0 || size.height <= 0) return false;
    auto* display = static_cast<Display*>(display_);
    auto img = std::make_unique<Image>();
    img->display = display;
    img->image =
        XShmCreateImage(display, static_cast<Visual*>(visual_), unsigned(depth_), ZPixmap, nullptr,
                        &img->segment, unsigned(size.width), unsigned(size.height));
    if (!img->image || img->image->bits_per_pixel != 32) return false;
    const std::size_t bytes = std::size_t(img->image->bytes_per_line) * std::size_t(size.height);
    img->segment.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (img->segment.shmid < 0) return false;
    img->segment.shmaddr = static_cast<char*>(shmat(img->segment.shmid, nullptr, 0));
    // Marked for removal at once: the segment goes when both sides have detached, even after a
    // crash.
    shmctl(img->segment.shmid, IPC_RMID, nullptr);
    if (img->segment.shmaddr == reinterpret_cast<char*>(-1)) return false;
    img->image->data = img->segment.shmaddr;
    img->segment.readOnly = True;
    g_xError = false;
    XSync(display, False);
    auto* previous = XSetErrorHandler(recordError);
    const bool attached = XShmAttach(display, &img->segment);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!attached || g_xError) return false;
    img->attached = true;
    image_ = std::move(img);
    return true;
}

void ShmPresenter::finish() {
    if (!pending_) return;
    pending_ = false;
    XSync(static_cast<Display*>(display_), False);
}

bool ShmPresenter::present(const Bitmap& framebuffer, const Rect& area) {
    // The server may still be reading the segment for the last present.
    finish();
    const Size size{framebuffer.width(), framebuffer.height()};
    if (!image_ || image_->image->width != size.width || image_->image->height != size.height)
        if (!resize(size)) return false;
    const Rect r = area.intersected(framebuffer.rect());
    if (r.empty()) return true;
    XImage* image = image_->image;
    const auto stride = std::size_t(image->bytes_per_line);
    auto* display = static_cast<Display*>(display_);
    // In bands of about a megabyte, each put as soon as it is copied: the server copies one band
    // while the next is copied, so a large present costs little more than the slower of the two
    // instead of their sum.
    constexpr std::size_t kBandBytes = std::size_t(1) << 20;
    const int bandRows = int(std::max<std::size_t>(1, kBandBytes / (std::size_t(r.width()) * 4)));
    for (int top = r.top; top < r.bottom; top += bandRows) {
        const Rect band{r.left, top, r.right, std::min(r.bottom, top + bandRows)};
        framebuffer.copyTo(band,
                           reinterpret_cast<std::uint8_t*>(image->data) +
                               std::size_t(band.top) * stride + std::size_t(band.left) * 4,
                           stride);
        XShmPutImage(display, Window(window_), static_cast<GC>(gc_), image, band.left, band.top,
                     band.left, band.top, unsigned(band.width()), unsigned(band.height()), False);
        XFlush(display);
    }
    // The server copies the last band while the caller goes on drawing; finish() waits for it.
    pending_ = true;
    return true;
}

}  // namespace quillo
