#include "HeadlessHost.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <stdexcept>

#include "Utf8.h"

namespace quillo {

HeadlessHost::HeadlessHost(Size screen, int depth)
    : screens_{{.area = Rect::fromSize(0, 0, screen.width, screen.height), .primary = true}},
      depth_(depth) {}

HeadlessHost::HeadlessHost(std::vector<ScreenInfo> screens, int depth)
    : screens_(std::move(screens)), depth_(depth) {}

void HeadlessHost::setScreens(std::vector<ScreenInfo> screens) {
    screens_ = std::move(screens);
    screensChanged_ = true;
}

int HeadlessHost::primaryScreen() const {
    for (const ScreenInfo& s : screens_)
        if (s.primary) return s.id;
    return screens_.empty() ? 0 : screens_.front().id;
}

Size HeadlessHost::screenSize() {
    for (const ScreenInfo& s : screens_)
        if (s.id == primaryScreen()) return {s.area.width(), s.area.height()};
    return {};
}

int HeadlessHost::openWindowCount() const {
    return int(std::count_if(windows_.begin(), windows_.end(),
                             [](const WindowState& w) { return w.open; }));
}

const std::string& HeadlessHost::windowTitle() const {
    static const std::string none;
    return windows_.empty() ? none : windows_.front().title;
}

const Bitmap* HeadlessHost::frame(WindowId window) const {
    return window >= 0 && window < int(windows_.size()) ? windows_[std::size_t(window)].frame
                                                        : nullptr;
}

Bitmap HeadlessHost::makeFramebuffer(Size size) {
    ++framebuffersMade_;
    auto storage = std::make_shared<Bitmap>(size.width, size.height);
    Bitmap& pixels = *storage;
    return Bitmap::over(pixels.width(), pixels.height(), pixels.data(), std::move(storage));
}

WindowId HeadlessHost::openWindow(const std::string& title, const Bitmap& framebuffer, int screen) {
    const bool known = std::any_of(screens_.begin(), screens_.end(),
                                   [&](const ScreenInfo& s) { return s.id == screen; });
    windows_.push_back({title, &framebuffer, known ? screen : primaryScreen(), true});
    return WindowId(windows_.size() - 1);
}

void HeadlessHost::moveWindow(WindowId window, int screen) {
    if (window >= 0 && window < int(windows_.size())) windows_[std::size_t(window)].screen = screen;
}

void HeadlessHost::closeWindow(WindowId window) {
    if (window >= 0 && window < int(windows_.size())) windows_[std::size_t(window)].open = false;
}

void HeadlessHost::closeWindows() {
    for (WindowState& w : windows_) w.open = false;
}

Bitmap HeadlessHost::renderCaption(const std::string& text, int height, int maxWidth) {
    const int cellW = std::max(1, height / 2), margin = height / 4;
    std::vector<std::string> chars = utf8Characters(text);
    const int fits = std::max(0, (maxWidth - 2 * margin) / cellW);
    if (int(chars.size()) > fits) {
        // The head keeps the extra character of an odd count, as the middle goes.
        const int keep = std::max(0, fits - 1);
        const int tail = keep / 2, head = keep - tail;
        std::vector<std::string> elided(chars.begin(), chars.begin() + head);
        if (fits > 0) elided.emplace_back("\u2026");
        elided.insert(elided.end(), chars.end() - tail, chars.end());
        chars = std::move(elided);
    }
    std::string laidOut;
    for (const std::string& c : chars) laidOut += c;
    captions_.push_back(laidOut);
    Bitmap out(std::max(0, std::min(maxWidth, 2 * margin + int(chars.size()) * cellW)), height);
    for (std::size_t i = 0; i < chars.size(); ++i)
        if (chars[i] != " ")
            out.fillRect(Rect::fromSize(margin + int(i) * cellW + 1, height / 4, cellW - 2,
                                        height - height / 2),
                         clWhite);
    return out;
}

void HeadlessHost::drawText(Bitmap& target, const Rect& area, const std::string& text,
                            const Font& font, Color color) {
    const int cellW = std::max(1, font.pixelHeight / 2), cellH = std::max(1, font.pixelHeight);
    int x = area.left, y = area.top;
    for (char ch : text) {
        if (x + cellW > area.right) {  // wrap at the rectangle's edge
            x = area.left;
            y += cellH;
        }
        if (y + cellH > area.bottom) break;
        if (ch != ' ')
            target.fillRect(Rect::fromSize(x + 1, y + 2, cellW - 2, cellH - 4).intersected(area),
                            color);
        x += cellW;
    }
}

void HeadlessHost::pumpInput(std::vector<Event>& out) {
    ++pumps;
    if (onPump) onPump();
    out.insert(out.end(), input_.begin(), input_.end());
    input_.clear();
    if (screensChanged_) out.push_back({.kind = EventKind::ScreensChanged});
    screensChanged_ = false;
}

void HeadlessHost::waitForInput(int timeoutMs) {
    if (timeoutMs > 0) advance(std::uint64_t(timeoutMs));
}

void HeadlessHost::sleepMs(int ms) {
    if (ms <= 0) return;
    advance(std::uint64_t(ms));
}

MessageResult HeadlessHost::show(MessageKind kind, const std::string& text,
                                 MessageButtons buttons) {
    const char* title = kind == MessageKind::Plain ? "Plain" : messageTitle(kind);
    boxes.push_back(std::string(title) + "|" + text);
    while (!inputUnderBox.empty()) {
        const Event e = inputUnderBox.front();
        inputUnderBox.pop_front();
        if (boxInput_ && boxInput_(e))
            return buttons == MessageButtons::Ok ? MessageResult::Ok : MessageResult::Cancel;
    }
    if (boxAnswers.empty()) return MessageResult::Ok;
    MessageResult r = boxAnswers.front();
    boxAnswers.pop_front();
    return r;
}

void HeadlessHost::saveFrame(const std::string& path) const {
    if (const Bitmap* f = frame()) writeBmp24(path, *f);
}

}  // namespace quillo
