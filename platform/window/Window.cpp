#include "Window.h"

#include <algorithm>
#include <utility>

#include "Blend.h"
#include "FrameTrace.h"
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
    boundsChanged();
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
    forgetScaled();
    changed();
}

void ImageControl::setPicture(const Picture& p) {
    picture_ = p;
    forgetScaled();
    scaled_ = Bitmap();
    changed();
}

void ImageControl::loadPicture(const std::string& path, const DecodeOptions& options) {
    picture_.loadFromFile(path, options);
    forgetScaled();
    changed();
}

const Bitmap* ImageControl::pixels() const {
    if (picture_.empty()) return nullptr;
    try {
        return &picture_.bitmap();
    } catch (const std::exception&) {
        return nullptr;  // undecodable data paints nothing; whoever assigned the picture reports it
    }
}

void ImageControl::paint(Bitmap& target) {
    const Bitmap* src = bounds().empty() ? nullptr : pixels();
    if (!src) return;
    if (!stretch_) {
        drawAt(target, left(), top(), *src, bounds());
        return;
    }
    if (src->width() == bounds().width() && src->height() == bounds().height()) {
        // Stretched one to one (a tile): the picture itself, no scaled copy beside it.
        scaled_ = Bitmap();
        forgetScaled();
        drawAt(target, left(), top(), *src, bounds());
        return;
    }
    const Rect visible = bounds().intersected(target.rect());
    if (visible.empty()) return;
    if (visible != scaledFor_) {
        scaled_ = Bitmap::uninitialized(visible.width(), visible.height());
        const Rect from = {bounds().left - visible.left, bounds().top - visible.top,
                           bounds().right - visible.left, bounds().bottom - visible.top};
        stretchCopy(scaled_, from, *src, src->rect());
        scaledFor_ = visible;
    }
    drawAt(target, visible.left, visible.top, scaled_, visible);
}

bool ImageControl::covers(const Rect& area) const {
    const Bitmap* src = pixels();
    if (!src) return false;
    const Rect painted =
        stretch_ ? bounds()
                 : Rect::fromSize(left(), top(), src->width(), src->height()).intersected(bounds());
    return painted.intersected(area) == area;
}

void Label::setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    changed();
}

void Label::paint(Bitmap& target) {
    host_.drawText(target, bounds(), text_, font, color);
}

Form::Form(Host& host) : Form(host, host.screenSize()) {}

Form::Form(Host& host, Size size) : host_(host), framebuffer_(host.makeFramebuffer(size)) {}

Form::~Form() {
    host_.beforeDrawing(window_);
}

void Form::resize(Size size) {
    if (size.width == width() && size.height == height()) return;
    // The old one goes first: two screen-sized buffers are never held at once.
    host_.beforeDrawing(window_);
    framebuffer_ = Bitmap();
    framebuffer_ = host_.makeFramebuffer(size);
    dirty_ = {};
    // The overlay was made for the old size.
    overlayPlaced_ = false;
    overlayLifted_ = false;
    overlay_ = Bitmap();
    invalidate();
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
    host_.beforeDrawing(window_);
    // Painting starts at the topmost visible control that covers the whole window; only without
    // one is the background filled.
    std::size_t first = 0;
    bool covered = false;
    for (std::size_t i = 0; i < order_.size(); ++i)
        if (order_[i]->visible() && order_[i]->covers(framebuffer_.rect())) {
            first = i;
            covered = true;
        }
    if (!covered) framebuffer_.fill(color_);
    for (std::size_t i = first; i < order_.size(); ++i)
        if (order_[i]->visible()) order_[i]->paint(framebuffer_);
    // Everything was painted afresh, under the overlay too.
    overlayPlaced_ = false;
    overlayLifted_ = false;
    placeOverlay();
    dirty_ = {};
    present(framebuffer_.rect());
}

void Form::flush() {
    placeOverlay();
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
    if (area.empty()) return;
    host_.present(window_, area);
    frametrace::present(window_, area.width(), area.height());
}

void Form::drawBitmap(int x, int y, const Bitmap& bitmap) {
    host_.beforeDrawing(window_);
    liftOverlay(Rect::fromSize(x, y, bitmap.width(), bitmap.height()));
    markDirty(drawAt(framebuffer_, x, y, bitmap, framebuffer_.rect(), clip_ ? &*clip_ : nullptr));
}

void Form::copyRect(const Rect& dst, const Bitmap& src, const Rect& srcRect) {
    host_.beforeDrawing(window_);
    liftOverlay(dst);
    markDirty(stretchCopy(framebuffer_, dst, src, srcRect, clip_ ? &*clip_ : nullptr));
}

void Form::drawBlend(int x, int y, const Bitmap& oldPic, const Bitmap& newPic, int F) {
    liftOverlay(Rect::fromSize(x, y, std::max(oldPic.width(), newPic.width()),
                               std::max(oldPic.height(), newPic.height())));
    if (clip_) {
        // Rare enough to take the long way: the frame, then a clipped draw.
        Bitmap frame;
        blendRows(frame, oldPic, newPic, F);
        drawBitmap(x, y, frame);
        return;
    }
    host_.beforeDrawing(window_);
    markDirty(blendAt(framebuffer_, x, y, oldPic, newPic, F, framebuffer_.rect()));
}

Bitmap& Form::drawInto(const Rect& area) {
    const Rect r = area.intersected(framebuffer_.rect());
    liftOverlay(r);
    markDirty(r);
    return framebuffer_;
}

void Form::setPixel(int x, int y, Color c) {
    if (!framebuffer_.rect().contains(x, y)) return;
    if (clip_ && !clip_->contains(x, y)) return;
    host_.beforeDrawing(window_);
    liftOverlay(Rect::fromSize(x, y, 1, 1));
    framebuffer_.setPixel(x, y, c);
    markDirty(Rect::fromSize(x, y, 1, 1));
}

Rect Form::overlayRect() const {
    return Rect::fromSize(overlayAt_.x, overlayAt_.y, overlay_.width(), overlay_.height())
        .intersected(framebuffer_.rect());
}

void Form::setOverlay(Bitmap overlay, Point at) {
    liftOverlay(overlayRect());
    // The old one is off the screen at the next present.
    if (std::exchange(overlayLifted_, false)) markDirty(overlayRect());
    overlay_ = std::move(overlay);
    overlayAt_ = at;
    // The band's share of each pixel, once per overlay: black keeps half of the pixel below,
    // white text none of it, anti-aliased edges in between.
    overlayKeep_.assign(std::size_t(overlay_.width()) * std::size_t(overlay_.height()), 0);
    for (int y = 0; y < overlay_.height(); ++y) {
        const Pixel* p = overlay_.row(y);
        for (int x = 0; x < overlay_.width(); ++x) {
            const unsigned light = std::max({p[x] & 0xFF, p[x] >> 8 & 0xFF, p[x] >> 16 & 0xFF});
            overlayKeep_[std::size_t(y) * std::size_t(overlay_.width()) + std::size_t(x)] =
                std::uint16_t((255 - light) * 128 / 255);
        }
    }
}

void Form::liftOverlay(const Rect& area) {
    // A draw elsewhere leaves it placed: nothing to put back, and the present stays small.
    if (!overlayPlaced_ || area.intersected(overlayRect()).empty()) return;
    overlayPlaced_ = false;
    host_.beforeDrawing(window_);
    const Rect r = overlayRect();
    for (int y = r.top; y < r.bottom; ++y)
        std::copy_n(underOverlay_.row(y - r.top), r.width(), framebuffer_.row(y) + r.left);
    // Not presented: it goes back on before the next present, and wherever nothing is drawn
    // meanwhile it comes out as it was, so only the draw's own area needs presenting.
    overlayLifted_ = true;
}

void Form::placeOverlay() {
    if (overlayPlaced_ || overlay_.empty()) return;
    const Rect r = overlayRect();
    if (r.empty()) return;
    host_.beforeDrawing(window_);
    if (underOverlay_.width() != r.width() || underOverlay_.height() != r.height())
        underOverlay_ = Bitmap::uninitialized(r.width(), r.height());
    const std::size_t width = std::size_t(overlay_.width());
    for (int y = r.top; y < r.bottom; ++y) {
        Pixel* out = framebuffer_.row(y) + r.left;
        std::copy_n(out, r.width(), underOverlay_.row(y - r.top));
        const int oy = y - overlayAt_.y, ox = r.left - overlayAt_.x;
        const Pixel* in = overlay_.row(oy) + ox;
        const std::uint16_t* keep = overlayKeep_.data() + std::size_t(oy) * width + std::size_t(ox);
        for (int x = 0; x < r.width(); ++x) {
            const unsigned k = keep[x];
            Pixel px = kPixelPad;
            for (int shift = 0; shift < 24; shift += 8) {
                const unsigned o = out[x] >> shift & 0xFF, i = in[x] >> shift & 0xFF;
                px |= Pixel(std::min(255u, i + (o * k >> 8))) << shift;
            }
            out[x] = px;
        }
    }
    overlayPlaced_ = true;
    if (!std::exchange(overlayLifted_, false)) markDirty(r);
}

}  // namespace quillo
