#include "X11Embed.h"

#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>
#include <cstdlib>

namespace quillo {

namespace {

xcb_connection_t* connection() {
    auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

}  // namespace

std::unique_ptr<ForeignWindow> ForeignWindow::open(std::uint32_t id) {
    xcb_connection_t* c = connection();
    if (!c || id == 0) return nullptr;
    // Structure events of the window for this connection only: its owner's own mask is untouched.
    // Asking before reading the size leaves no gap where a resize or its end could be missed.
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_generic_error_t* error =
        xcb_request_check(c, xcb_change_window_attributes_checked(c, id, XCB_CW_EVENT_MASK, &mask));
    if (error) {
        std::free(error);
        return nullptr;
    }
    xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr);
    if (!g) return nullptr;
    std::unique_ptr<ForeignWindow> w(new ForeignWindow(id, {g->width, g->height}));
    std::free(g);
    w->window_ = QWindow::fromWinId(id);
    QCoreApplication::instance()->installNativeEventFilter(w.get());
    return w;
}

ForeignWindow::ForeignWindow(std::uint32_t id, Size size) : id_(id), size_(size) {}

ForeignWindow::~ForeignWindow() {
    if (QCoreApplication::instance()) QCoreApplication::instance()->removeNativeEventFilter(this);
    delete window_;
}

bool ForeignWindow::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
    if (type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_CONFIGURE_NOTIFY: {
            auto* e = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            if (e->window != id_ || (e->width == size_.width && e->height == size_.height)) break;
            size_ = {e->width, e->height};
            if (onResize) onResize(size_);
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            auto* e = reinterpret_cast<xcb_destroy_notify_event_t*>(event);
            if (e->window == id_ && onGone) onGone();
            break;
        }
        default:
            break;
    }
    return false;
}

}  // namespace quillo
