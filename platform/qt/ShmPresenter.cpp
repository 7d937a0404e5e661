#include "ShmPresenter.h"

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <type_traits>
#include <utility>
#include <vector>

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

// Our pixels are the server's only when each is one 32-bit word.
constexpr bool kWordPixels = sizeof(*std::declval<Bitmap&>().row(0)) == 4;

}  // namespace

struct ShmPresenter::Shared {
    Display* display = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    bool pending = false;
    struct Segment;
    std::vector<const Segment*> live;

    void finish() {
        if (!pending) return;
        pending = false;
        XSync(display, False);
    }
};

// One attached segment and its image: the storage of one framebuffer.
struct ShmPresenter::Shared::Segment {
    std::shared_ptr<Shared> shared;
    XShmSegmentInfo info{};
    XImage* image = nullptr;
    bool attached = false;

    ~Segment() {
        auto& live = shared->live;
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
        // The server lets go of the memory before we do.
        shared->finish();
        if (attached) {
            XShmDetach(shared->display, &info);
            XSync(shared->display, False);
        }
        if (image) {
            image->data = nullptr;  // the segment is not Xlib's to free
            XDestroyImage(image);
        }
        if (info.shmaddr && info.shmaddr != reinterpret_cast<char*>(-1)) shmdt(info.shmaddr);
    }
};

std::unique_ptr<ShmPresenter> ShmPresenter::open() {
    if constexpr (!kWordPixels) return nullptr;
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display || !XShmQueryExtension(display)) return nullptr;
    const int screen = DefaultScreen(display);
    Visual* v = DefaultVisual(display, screen);
    const int depth = DefaultDepth(display, screen);
    // 0xAARRGGBB words in the server's byte order, as our pixels are on this machine.
    if (depth != 24 && depth != 32) return nullptr;
    if (!v || v->red_mask != 0xFF0000 || v->green_mask != 0xFF00 || v->blue_mask != 0xFF)
        return nullptr;
    constexpr bool littleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;
    if (ImageByteOrder(display) != (littleEndian ? LSBFirst : MSBFirst)) return nullptr;
    std::unique_ptr<ShmPresenter> p(new ShmPresenter);
    p->shared_ = std::make_shared<Shared>();
    p->shared_->display = display;
    p->shared_->visual = v;
    p->shared_->depth = depth;
    p->shared_->gc = XCreateGC(display, RootWindow(display, screen), 0, nullptr);
    return p;
}

ShmPresenter::~ShmPresenter() {
    shared_->finish();
    // Framebuffers still held keep the display's segments; the context goes with us.
    XFreeGC(shared_->display, shared_->gc);
    shared_->gc = nullptr;
}

Bitmap ShmPresenter::makeFramebuffer(Size size) {
    if (size.width <= 0 || size.height <= 0) return {};
    Display* display = shared_->display;
    auto segment = std::make_shared<Shared::Segment>();
    segment->shared = shared_;
    shared_->live.push_back(segment.get());
    XImage* image =
        XShmCreateImage(display, shared_->visual, unsigned(shared_->depth), ZPixmap, nullptr,
                        &segment->info, unsigned(size.width), unsigned(size.height));
    segment->image = image;
    if (!image || image->bits_per_pixel != 32 ||
        std::size_t(image->bytes_per_line) != std::size_t(size.width) * 4)
        return {};
    const std::size_t bytes = std::size_t(image->bytes_per_line) * std::size_t(size.height);
    segment->info.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment->info.shmid < 0) return {};
    segment->info.shmaddr = static_cast<char*>(shmat(segment->info.shmid, nullptr, 0));
    // Marked for removal at once: the segment goes when both sides have detached, even after a
    // crash.
    shmctl(segment->info.shmid, IPC_RMID, nullptr);
    if (segment->info.shmaddr == reinterpret_cast<char*>(-1)) return {};
    image->data = segment->info.shmaddr;
    segment->info.readOnly = True;
    g_xError = false;
    XSync(display, False);
    auto* previous = XSetErrorHandler(recordError);
    const bool attached = XShmAttach(display, &segment->info);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!attached || g_xError) return {};
    segment->attached = true;
    auto* pixels = reinterpret_cast<Pixel*>(segment->info.shmaddr);
    Bitmap framebuffer = Bitmap::over(size.width, size.height, pixels, std::move(segment));
    if (framebuffer.stride() != std::size_t(size.width) * 4) return {};
    framebuffer.fill(clBlack);
    return framebuffer;
}

bool ShmPresenter::suits(unsigned long window) const {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(shared_->display, Window(window), &attributes)) return false;
    const Visual* v = attributes.visual;
    return attributes.depth == shared_->depth && v && v->red_mask == shared_->visual->red_mask &&
           v->green_mask == shared_->visual->green_mask &&
           v->blue_mask == shared_->visual->blue_mask;
}

namespace {

// The segment under the framebuffer's pixels, when it is one of ours of its size.
XImage* imageOf(const ShmPresenter::Shared& shared, const Bitmap& framebuffer) {
    const auto* pixels = reinterpret_cast<const char*>(framebuffer.data());
    for (const auto* s : shared.live)
        if (s->attached && s->info.shmaddr == pixels && s->image->width == framebuffer.width() &&
            s->image->height == framebuffer.height())
            return s->image;
    return nullptr;
}

}  // namespace

bool ShmPresenter::holds(const Bitmap& framebuffer) const {
    return imageOf(*shared_, framebuffer) != nullptr;
}

bool ShmPresenter::present(unsigned long window, const Bitmap& framebuffer, const Rect& area) {
    XImage* image = imageOf(*shared_, framebuffer);
    if (!image) return false;
    const Rect r = area.intersected(framebuffer.rect());
    if (r.empty()) return true;
    XShmPutImage(shared_->display, Window(window), shared_->gc, image, r.left, r.top, r.left, r.top,
                 unsigned(r.width()), unsigned(r.height()), False);
    XFlush(shared_->display);
    shared_->pending = true;
    return true;
}

void ShmPresenter::finish() {
    shared_->finish();
}

}  // namespace quillo
