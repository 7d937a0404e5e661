#include "HeadlessHost.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace quillo {

HeadlessHost::HeadlessHost(Size screen, int depth) : screen_(screen), depth_(depth) {}

void HeadlessHost::openWindow(const std::string& title, const Bitmap& framebuffer) {
    open_ = true;
    title_ = title;
    frame_ = &framebuffer;
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
    if (frame_) writeBmp24(path, *frame_);
}

}  // namespace quillo
