#include <gtest/gtest.h>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "Region.h"
#include "Scale.h"
#include "Window.h"

using namespace quillo;

namespace {

Bitmap solid(int w, int h, Color c) {
    Bitmap b(w, h);
    b.fill(c);
    return b;
}

}  // namespace

TEST(Window, RepaintRuleErasesDirectDrawsOnlyOnAColourChange) {
    HeadlessHost host({64, 48});
    EventLoop loop(host);
    Form form(host);
    loop.setForm(&form);
    ImageControl& image = form.addImage(Rect::fromSize(10, 10, 8, 8));
    image.setPicture(Picture(solid(4, 4, clYellow)));
    image.setStretch(true);
    image.setVisible(true);
    loop.processMessages();
    EXPECT_EQ(form.framebuffer().pixel(0, 0), clBlack);
    EXPECT_EQ(form.framebuffer().pixel(17, 17), clYellow);  // stretched over 8x8

    form.drawBitmap(30, 30, solid(5, 5, clAqua));
    EXPECT_EQ(form.framebuffer().pixel(32, 32), clAqua);  // at once, before any message handling
    // Presented once, as one rectangle, when the loop next runs: many draws, one present.
    const std::size_t presents = host.presented().size();
    for (int x = 40; x < 50; ++x) form.setPixel(x, 20, clRed);
    EXPECT_EQ(host.presented().size(), presents);
    loop.flushDrawing();
    ASSERT_EQ(host.presented().size(), presents + 1);
    EXPECT_EQ(host.presented().back(), (Rect{30, 20, 50, 35}));
    loop.processMessages();
    EXPECT_EQ(host.presented().size(), presents + 1);  // nothing new to present

    form.setColor(clBlack);  // the same colour: nothing to repaint
    loop.processMessages();
    EXPECT_EQ(form.framebuffer().pixel(32, 32), clAqua);

    form.setColor(clNavy);
    EXPECT_EQ(form.framebuffer().pixel(32, 32), clAqua);  // served at the next message handling
    loop.processMessages();
    EXPECT_EQ(form.framebuffer().pixel(32, 32), clNavy);
    EXPECT_EQ(form.framebuffer().pixel(12, 12), clYellow);  // visible controls over the new colour

    // Hiding a control or moving it asks for a repaint too; a hidden control changes nothing.
    image.setLeft(40);
    loop.processMessages();
    EXPECT_EQ(form.framebuffer().pixel(12, 12), clNavy);
    EXPECT_EQ(form.framebuffer().pixel(42, 12), clYellow);
    image.setVisible(false);
    loop.processMessages();
    image.setLeft(0);
    EXPECT_FALSE(form.repaintPending());
}

TEST(Window, StackingOrderAndNaturalSizeClipping) {
    HeadlessHost host({32, 32});
    Form form(host);
    ImageControl& below = form.addImage(Rect::fromSize(0, 0, 10, 10));
    ImageControl& above = form.addImage(Rect::fromSize(5, 5, 3, 3));
    below.setPicture(Picture(solid(20, 20, clRed)));
    above.setPicture(Picture(solid(3, 3, clLime)));
    below.setVisible(true);
    above.setVisible(true);
    form.repaint();
    EXPECT_EQ(form.framebuffer().pixel(6, 6), clLime);
    EXPECT_EQ(form.framebuffer().pixel(9, 9), clRed);
    EXPECT_EQ(form.framebuffer().pixel(10, 10), clBlack);  // natural size is clipped to the control
    below.bringToFront();
    form.repaint();
    EXPECT_EQ(form.framebuffer().pixel(6, 6), clRed);
}

TEST(Window, ClipRegionAppliesUntilReleased) {
    HeadlessHost host({40, 40});
    Form form(host);
    form.repaint();
    form.selectClip(Region::ellipse(Rect::fromSize(0, 0, 40, 40)));
    form.copyRect(Rect::fromSize(0, 0, 40, 40), solid(4, 4, clWhite), Rect::fromSize(0, 0, 4, 4));
    EXPECT_EQ(form.framebuffer().pixel(20, 20), clWhite);
    EXPECT_EQ(form.framebuffer().pixel(0, 0), clBlack);
    form.setPixel(1, 1, clWhite);
    EXPECT_EQ(form.framebuffer().pixel(1, 1), clBlack);
    form.releaseClip();
    form.setPixel(1, 1, clWhite);
    EXPECT_EQ(form.framebuffer().pixel(1, 1), clWhite);
    form.setPixel(-1, 40, clWhite);  // off the window: ignored
}

TEST(Region, ShapesAreSymmetricContainedAndCornersSized) {
    for (const Rect r :
         {Rect::fromSize(3, 5, 40, 21), Rect::fromSize(0, 0, 7, 7), Rect::fromSize(-4, 2, 1, 9)}) {
        const Region e = Region::ellipse(r);
        const Region rr = Region::roundRect(r, 12, 8);
        for (int y = r.top - 1; y <= r.bottom; ++y)
            for (int x = r.left - 1; x <= r.right; ++x) {
                const int mx = r.left + r.right - 1 - x, my = r.top + r.bottom - 1 - y;
                EXPECT_EQ(e.contains(x, y), e.contains(mx, y));
                EXPECT_EQ(e.contains(x, y), e.contains(x, my));
                EXPECT_EQ(rr.contains(x, y), rr.contains(mx, my));
                if (!r.contains(x, y)) {
                    EXPECT_FALSE(e.contains(x, y) || rr.contains(x, y));
                }
                if (e.contains(x, y)) {
                    EXPECT_TRUE(rr.contains(x, y)) << x << "," << y;
                }
            }
    }
    // A 100x60 rectangle with 20x20 corners: the edges' middles are in, the corners cut.
    const Region rr = Region::roundRect(Rect::fromSize(0, 0, 100, 60), 20, 20);
    EXPECT_FALSE(rr.contains(0, 0));
    EXPECT_FALSE(rr.contains(2, 2));
    EXPECT_TRUE(rr.contains(10, 0));
    EXPECT_TRUE(rr.contains(0, 10));
    EXPECT_TRUE(rr.contains(5, 5));
    EXPECT_EQ(rr.span(30).left, 0);
    EXPECT_EQ(rr.span(30).right, 100);
    // Corners larger than the rectangle make it an ellipse.
    const Rect sq = Rect::fromSize(0, 0, 30, 30);
    const Region big = Region::roundRect(sq, 500, 500), el = Region::ellipse(sq);
    for (int y = 0; y < 30; ++y) EXPECT_EQ(big.span(y).left, el.span(y).left);
}

TEST(Scale, NearestNeighbourRepeatsAndDropsWholeRowsAndColumns) {
    EXPECT_EQ(nearestSource(0, 4, 2), 0);
    EXPECT_EQ(nearestSource(1, 4, 2), 0);
    EXPECT_EQ(nearestSource(2, 4, 2), 1);
    EXPECT_EQ(nearestSource(3, 4, 2), 1);
    EXPECT_EQ(nearestSource(0, 2, 4), 0);
    EXPECT_EQ(nearestSource(1, 2, 4), 2);
    for (int d = 0; d < 1000; ++d) ASSERT_LT(nearestSource(d, 1000, 7), 7);

    Bitmap src(3, 1);
    src.setPixel(0, 0, clRed);
    src.setPixel(1, 0, clLime);
    src.setPixel(2, 0, clBlue);
    Bitmap dst(6, 2);
    stretchCopy(dst, dst.rect(), src, src.rect());
    const Color expect[] = {clRed, clRed, clLime, clLime, clBlue, clBlue};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(dst.pixel(x, y), expect[x]);
    // Destination partly off the bitmap: only the visible part is written.
    Bitmap small(2, 2);
    EXPECT_EQ(stretchCopy(small, Rect::fromSize(-2, -2, 6, 6), src, src.rect()),
              Rect::fromSize(0, 0, 2, 2));
    EXPECT_EQ(small.pixel(0, 0), clLime);
}

// A firing that comes late still tells when it was due: the frame trace's tick-to-screen time
// starts there, not at the late firing.
TEST(Timer, FiredDueIsTheDueTimeNotTheFiringTime) {
    HeadlessHost host;
    EventLoop loop(host);
    Timer t(loop, 1000);
    std::vector<std::uint64_t> due;
    t.OnTimer = [&] { due.push_back(t.firedDueMs()); };
    const std::uint64_t start = host.nowMs();
    t.setEnabled(true);
    host.advance(1250);  // 250 ms late
    loop.processMessages();
    host.advance(1300);  // the next is due 1000 ms after that firing, at 2250; 50 ms late
    loop.processMessages();
    EXPECT_EQ(due, (std::vector<std::uint64_t>{start + 1000, start + 2250}));
}

TEST(Timer, EnableIntervalAndNoPileUp) {
    HeadlessHost host;
    EventLoop loop(host);
    Timer t(loop, 1000);
    int ticks = 0;
    t.OnTimer = [&] { ++ticks; };
    host.advance(5000);
    loop.processMessages();
    EXPECT_EQ(ticks, 0);  // disabled
    t.setEnabled(true);
    host.advance(999);
    loop.processMessages();
    EXPECT_EQ(ticks, 0);
    host.advance(1);
    loop.processMessages();
    EXPECT_EQ(ticks, 1);
    host.advance(10'000);  // a long stall gives one tick, not ten
    loop.processMessages();
    loop.processMessages();
    EXPECT_EQ(ticks, 2);
    host.advance(600);
    t.setInterval(1000);  // the same interval: the count goes on
    host.advance(400);
    loop.processMessages();
    EXPECT_EQ(ticks, 3);
    host.advance(600);
    t.setInterval(500);  // a new interval restarts the count
    host.advance(400);
    loop.processMessages();
    EXPECT_EQ(ticks, 3);
    host.advance(100);
    loop.processMessages();
    EXPECT_EQ(ticks, 4);
    t.setEnabled(false);
    host.advance(5000);
    loop.processMessages();
    EXPECT_EQ(ticks, 4);
    t.setInterval(0);
    t.setEnabled(true);  // interval 0 never fires
    host.advance(5000);
    loop.processMessages();
    EXPECT_EQ(ticks, 4);
}

TEST(EventLoop, FilterSeesEveryMessageAndHandlerErrorsAreShown) {
    HeadlessHost host;
    EventLoop loop(host);
    std::vector<std::uint32_t> seen;
    std::vector<std::string> errors;
    loop.setMessageFilter([&](Event& m, bool&) {
        seen.push_back(m.key);
        if (m.key == 1) throw std::runtime_error("boom");
    });
    loop.setErrorDisplay([&](const std::exception& e) { errors.push_back(e.what()); });
    host.queueInput(keyEvent(true, 1));
    host.queueInput(keyEvent(true, 2));
    loop.post(keyEvent(false, 3));
    loop.processMessages();
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{1, 2, 3}));
    EXPECT_EQ(errors, std::vector<std::string>{"boom"});
}

TEST(EventLoop, AHandlerCannotEnterTheLoopFromInside) {
    HeadlessHost host;
    EventLoop loop(host);
    std::vector<std::string> errors;
    loop.setErrorDisplay([&](const std::exception& e) { errors.push_back(e.what()); });
    Timer t(loop, 10);
    t.OnTimer = [&] { loop.processMessages(); };
    t.setEnabled(true);
    host.advance(10);
    loop.processMessages();
    EXPECT_EQ(errors, std::vector<std::string>{"The message loop was entered from inside itself"});
}

TEST(Window, StretchedRepaintsFollowEveryChange) {
    HeadlessHost host({40, 30});
    Form form(host);
    ImageControl& image = form.addImage(Rect::fromSize(-10, 0, 60, 30));
    Bitmap halves(2, 1);
    halves.setPixel(0, 0, clRed);
    halves.setPixel(1, 0, clLime);
    image.setPicture(Picture(halves));
    image.setStretch(true);
    image.setVisible(true);
    form.setColor(clNavy);
    form.repaint();
    // 60 pixels over the two source pixels, 10 of them off the left edge.
    EXPECT_EQ(form.framebuffer().pixel(19, 5), clRed);
    EXPECT_EQ(form.framebuffer().pixel(20, 5), clLime);
    form.setColor(clBlack);
    form.repaint();
    EXPECT_EQ(form.framebuffer().pixel(39, 29), clLime);  // it covers the window: no background
    image.setPicture(Picture(solid(1, 1, clYellow)));
    form.repaint();
    EXPECT_EQ(form.framebuffer().pixel(0, 0), clYellow);
    image.setBounds(0, 0, 20, 10);
    form.repaint();
    EXPECT_EQ(form.framebuffer().pixel(19, 9), clYellow);
    EXPECT_EQ(form.framebuffer().pixel(20, 10), clBlack);
    image.setStretch(false);
    form.repaint();
    EXPECT_EQ(form.framebuffer().pixel(1, 0), clBlack);
}

TEST(Window, AResizeMessageGivesANewFramebufferRepaintedWhole) {
    HeadlessHost host({64, 48});
    EventLoop loop(host);
    Form form(host);
    loop.setForm(&form);
    form.setColor(clNavy);
    loop.processMessages();
    form.setPixel(5, 5, clRed);  // not yet presented: goes with the old framebuffer
    const Bitmap* const shown = &form.framebuffer();
    loop.post({.kind = EventKind::Resize, .size = {100, 30}});
    loop.processMessages();
    // The same object (hosts keep a reference to it) with the new size, all background.
    EXPECT_EQ(&form.framebuffer(), shown);
    ASSERT_EQ(form.width(), 100);
    ASSERT_EQ(form.height(), 30);
    EXPECT_EQ(form.framebuffer().pixel(5, 5), clNavy);
    EXPECT_EQ(form.framebuffer().pixel(99, 29), clNavy);
    form.setPixel(99, 29, clRed);  // direct drawing reaches the new edge
    EXPECT_EQ(form.framebuffer().pixel(99, 29), clRed);
}

TEST(EventLoop, InputUnderABoxGoesToTheFilterAndClosesTheBoxOnceTheLoopEnds) {
    // A host whose box is up: it hands each input to the loop's handler as it comes.
    struct BoxHost : HeadlessHost {
        BoxInputHandler handler;
        void setBoxInputHandler(BoxInputHandler h) override { handler = std::move(h); }
    };
    BoxHost host;
    std::vector<EventKind> seen;
    {
        EventLoop loop(host);
        loop.setMessageFilter([&](Event& m, bool&) {
            seen.push_back(m.kind);
            if (m.kind == EventKind::KeyDown) loop.quit();
        });
        ASSERT_TRUE(host.handler);
        EXPECT_FALSE(host.handler({.kind = EventKind::Wheel}));  // the box stays
        EXPECT_TRUE(host.handler(keyEvent(true)));               // the filter ended the loop
        EXPECT_TRUE(host.handler(keyEvent(false)));              // and any later box goes at once
    }
    EXPECT_EQ(seen, (std::vector<EventKind>{EventKind::Wheel, EventKind::KeyDown}));
    EXPECT_FALSE(host.handler);  // a loop that is gone is never called
}
