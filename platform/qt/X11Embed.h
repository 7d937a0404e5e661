#pragma once
// Another program's X11 window that the saver draws into (an idle daemon's window, or a settings
// program's preview). We watch it for size changes and for its end; its input is not ours.
#include <QAbstractNativeEventFilter>
#include <cstdint>
#include <functional>
#include <memory>

#include "Geometry.h"

class QWindow;

namespace quillo {

class ForeignWindow : public QAbstractNativeEventFilter {
public:
    // Null when there is no X11 connection or no such window.
    static std::unique_ptr<ForeignWindow> open(std::uint32_t id);
    ~ForeignWindow() override;

    Size size() const { return size_; }
    // Qt's handle on the window, to parent ours to.
    QWindow* window() { return window_; }

    std::function<void(Size)> onResize;
    std::function<void()> onGone;

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    ForeignWindow(std::uint32_t id, Size size);

    std::uint32_t id_;
    Size size_;
    QWindow* window_ = nullptr;
};

}  // namespace quillo
