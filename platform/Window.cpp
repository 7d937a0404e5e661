#include "Window.h"

#include <algorithm>

#include "Scale.h"

namespace quillo {

void Control::setVisible(bool v) {
    if (v == visible_) return;
    visible_ = v;
    owner_.invalidate();  // showing paints it, hiding uncovers what lies below
}

void Control::setBounds(int left, int top, int width, int height) {
    const Rect r = Rect::fromSize(left, top, width, height);
    if (r == bounds_) return;
    bounds_ = r;
    changed();
}

void Control::bringToFront() {
    owner_.bringToFront(*this);
}

void Control::changed() {
    if (visible_) owner_.invalidate();
}

void ImageControl::setStretch(bool s) {
    if (s == stretch_) return;
    stretch_ = s;
    changed();
}

void ImageControl::setPicture(const Picture& p) {
    picture_ = p;
    changed();
}

void ImageControl::loadPicture(const std::string& path) {
    picture_.loadFromFile(path);
    changed();
}

void ImageControl::paint(Bitmap& target) {
    if (picture_.empty() || bounds().empty()) return;
    const Bitmap* pixels = nullptr;
    try {
        pixels = &picture_.bitmap();
    } catch (const std::exception&) {
        return;  // undecodable data paints nothing; whoever assigned the picture reports it
    }
    if (stretch_)
        stretchCopy(target, bounds(), *pixels, pixels->rect());
    else
        drawAt(target, left(), top(), *pixels, bounds());
}

void Label::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    changed();
}

void Label::paint(Bitmap& target) {
    host_.drawText(target, bounds(), text_, font, color);
}

Form::Form(Host& host) : host_(host) {
    const Size s = host.screenSize();
    framebuffer_ = Bitmap(s.width, s.height);
}

void Form::setColor(Color c) {
    if (c == color_) return;
    color_ = c;
    invalidate();
}

ImageControl& Form::addImage(Rect bounds) {
    auto c = std::make_unique<ImageControl>(*this, bounds);
    ImageControl& ref = *c;
    order_.push_back(c.get());
    controls_.push_back(std::move(c));
    return ref;
}

Label& Form::addLabel(Rect bounds) {
    auto c = std::make_unique<Label>(*this, bounds, host_);
    Label& ref = *c;
    order_.push_back(c.get());
    controls_.push_back(std::move(c));
    return ref;
}

void Form::bringToFront(Control& c) {
    auto it = std::find(order_.begin(), order_.end(), &c);
    if (it == order_.end() || it + 1 == order_.end()) return;
    std::rotate(it, it + 1, order_.end());
    if (c.visible()) invalidate();
}

void Form::repaint() {
    repaintPending_ = false;
    framebuffer_.fill(color_);
    for (Control* c : order_)
        if (c->visible()) c->paint(framebuffer_);
    dirty_ = {};
    present(framebuffer_.rect());
}

void Form::flush() {
    const Rect area = dirty_;
    dirty_ = {};
    present(area);
}

void Form::markDirty(const Rect& r) {
    if (r.empty()) return;
    if (dirty_.empty()) {
        dirty_ = r;
        return;
    }
    dirty_ = {std::min(dirty_.left, r.left), std::min(dirty_.top, r.top),
              std::max(dirty_.right, r.right), std::max(dirty_.bottom, r.bottom)};
}

void Form::present(const Rect& r) {
    const Rect area = r.intersected(framebuffer_.rect());
    if (!area.empty()) host_.present(area);
}

void Form::drawBitmap(int x, int y, const Bitmap& bitmap) {
    markDirty(drawAt(framebuffer_, x, y, bitmap, framebuffer_.rect(), clip_ ? &*clip_ : nullptr));
}

void Form::copyRect(const Rect& dst, const Bitmap& src, const Rect& srcRect) {
    markDirty(stretchCopy(framebuffer_, dst, src, srcRect, clip_ ? &*clip_ : nullptr));
}

void Form::setPixel(int x, int y, Color c) {
    if (!framebuffer_.rect().contains(x, y)) return;
    if (clip_ && !clip_->contains(x, y)) return;
    framebuffer_.setPixel(x, y, c);
    markDirty(Rect::fromSize(x, y, 1, 1));
}

}  // namespace quillo
