#pragma once
// The window model: a full-screen form with a background colour, image controls in stacking
// order and labels, painted into a framebuffer of pixel words that the host provides. A change of
// the background colour (to a different value) or of a visible control asks for a repaint, served
// at the next message handling. Direct drawing writes into the framebuffer at once; the area it
// touched is gathered and presented by flush(), which the message loop calls before it sleeps,
// handles messages or waits, so a row of single-pixel writes costs one present. The next repaint
// erases it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Bitmap.h"
#include "Host.h"
#include "Picture.h"
#include "Region.h"

namespace quillo {

class Form;

class Control {
public:
    explicit Control(Form& owner, Rect bounds) : owner_(owner), bounds_(bounds) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    bool visible() const { return visible_; }
    void setVisible(bool v);
    const Rect& bounds() const { return bounds_; }
    int left() const { return bounds_.left; }
    int top() const { return bounds_.top; }
    int width() const { return bounds_.width(); }
    int height() const { return bounds_.height(); }
    void setBounds(int left, int top, int width, int height);
    void setLeft(int left) { setBounds(left, top(), width(), height()); }
    void setTop(int top) { setBounds(left(), top, width(), height()); }
    void setWidth(int w) { setBounds(left(), top(), w, height()); }
    void setHeight(int h) { setBounds(left(), top(), width(), h); }
    void bringToFront();

    virtual void paint(Bitmap& target) = 0;
    // True when painting writes every pixel of the area, so nothing below it needs painting.
    virtual bool covers(const Rect&) const { return false; }

protected:
    void changed();  // asks for a repaint when visible
    virtual void boundsChanged() {}

private:
    Form& owner_;
    Rect bounds_;
    bool visible_ = false;
};

// An image control: shows its picture stretched over its rectangle, or at natural size from its
// top-left corner, clipped to it.
class ImageControl : public Control {
public:
    using Control::Control;

    bool stretch() const { return stretch_; }
    void setStretch(bool s);
    const Picture& picture() const { return picture_; }
    void setPicture(const Picture& p);
    void clearPicture() { setPicture(Picture()); }
    // Loads by extension (see Picture); on failure the control keeps its picture.
    void loadPicture(const std::string& path, const DecodeOptions& options);

    void paint(Bitmap& target) override;
    bool covers(const Rect& area) const override;

protected:
    void boundsChanged() override { forgetScaled(); }

private:
    // The decoded pixels, or nullptr when there are none or they cannot be decoded.
    const Bitmap* pixels() const;
    void forgetScaled() { scaledFor_ = {}; }

    Picture picture_;
    bool stretch_ = false;
    // The stretched picture as last painted, for the visible part of the control only: a repaint
    // for a new background colour then copies rows instead of scaling again.
    Bitmap scaled_;
    Rect scaledFor_;
};

class Label : public Control {
public:
    Label(Form& owner, Rect bounds, Host& host) : Control(owner, bounds), host_(host) {}

    const std::string& text() const { return text_; }
    void setText(const std::string& text);
    Font font;
    Color color = clBlack;

    void paint(Bitmap& target) override;

private:
    Host& host_;
    std::string text_;
};

class Form {
public:
    // A form of the primary screen's size, or of the given one.
    explicit Form(Host& host);
    Form(Host& host, Size size);
    ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    Host& host() { return host_; }
    // The host's window that shows the form (presents go there).
    WindowId window() const { return window_; }
    void setWindow(WindowId window) { window_ = window; }
    Bitmap& framebuffer() { return framebuffer_; }
    const Bitmap& framebuffer() const { return framebuffer_; }
    int width() const { return framebuffer_.width(); }
    int height() const { return framebuffer_.height(); }

    // A new framebuffer of that size from the host, repainted at the next message handling; direct
    // drawing not yet presented is dropped with the old one.
    void resize(Size size);

    Color color() const { return color_; }
    void setColor(Color c);

    // Controls are created in stacking order, bottom first.
    ImageControl& addImage(Rect bounds);
    Label& addLabel(Rect bounds);
    void bringToFront(Control& c);

    void invalidate() { repaintPending_ = true; }
    bool repaintPending() const { return repaintPending_; }
    // Fills the background, paints the visible controls bottom to top and presents it all.
    void repaint();

    // Direct drawing, clipped to the window and to a selected clip region; presented by flush().
    void drawBitmap(int x, int y, const Bitmap& bitmap);
    void copyRect(const Rect& dst, const Bitmap& src, const Rect& srcRect);
    void setPixel(int x, int y, Color c);
    // One frame of a cross-fade (see blendRows) at a point, at natural size: the same pixels as
    // drawing the blended frame there, without the frame bitmap.
    void drawBlend(int x, int y, const Bitmap& oldPic, const Bitmap& newPic, int F);
    // For a frame composed straight into the framebuffer: takes the overlay off that area, counts
    // the area as drawn (the next flush presents it) and returns the framebuffer to write it in.
    // The writer keeps to the area; no selected clip region applies.
    Bitmap& drawInto(const Rect& area);
    // Direct draws are clipped to the selected region until it is released.
    void selectClip(Region region) { clip_ = std::move(region); }
    void releaseClip() { clip_.reset(); }
    // Puts what direct drawing changed since the last flush on the screen.
    void flush();

    // A picture laid over the form at `at` (a caption): never part of what is painted or drawn.
    // It is composed over the pixels below it when they are presented, its black parts as a
    // band that halves their brightness; direct drawing first takes it off again, so that what
    // piles up in the framebuffer holds no overlay. An empty picture removes it. Shown by the
    // next flush or repaint.
    void setOverlay(Bitmap overlay, Point at);
    const Bitmap& overlay() const { return overlay_; }
    Rect overlayRect() const;

private:
    // The overlay off the framebuffer (its pixels below put back) before a draw over that area,
    // and on it again.
    void liftOverlay(const Rect& area);
    void placeOverlay();

    void present(const Rect& r);
    void markDirty(const Rect& r);

    Host& host_;
    WindowId window_ = 0;
    Bitmap framebuffer_;
    Color color_ = clBlack;
    bool repaintPending_ = true;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<Control*> order_;
    std::optional<Region> clip_;
    Rect dirty_;  // bounding box of the direct draws not yet presented
    Bitmap overlay_;
    // How much of the pixel below shows through at each overlay pixel, out of 256.
    std::vector<std::uint16_t> overlayKeep_;
    Point overlayAt_{};
    // While the overlay is on the framebuffer: the pixels it lies over.
    Bitmap underOverlay_;
    bool overlayPlaced_ = false;
    // Taken off for a draw and not yet put back: the screen still shows it.
    bool overlayLifted_ = false;
};

}  // namespace quillo
