#include <gtest/gtest.h>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SaverWindow.h"
#include "TestSupport.h"

using namespace quillo;
using quillo::test::FakeSystemServices;

namespace {

struct Saver {
    HeadlessHost host{{800, 600}};
    EventLoop loop{host};
    FakeSystemServices services;
    SaverWindow form{host, loop, services};

    Saver() {
        form.setStartCursorPos({400, 300});
        loop.setMessageFilter([this](Event& m, bool& h) { form.onInput(m, h); });
    }
    // Sends one event through the loop; true when the saver ended.
    bool send(const Event& e) {
        host.queueInput(e);
        loop.processMessages();
        return form.closed();
    }
    bool moveTo(int x, int y) { return send(pointerEvent(EventKind::Move, {x, y})); }
};

}  // namespace

TEST(SaverInput, MovesWithinToleranceKeepTheSaver) {
    Saver s;
    EXPECT_FALSE(s.moveTo(400, 300));
    EXPECT_FALSE(s.moveTo(455, 245));  // 55 on both axes
    EXPECT_FALSE(s.moveTo(345, 355));
    EXPECT_TRUE(s.moveTo(456, 300));
    EXPECT_EQ(s.services.runningStates, std::vector<bool>{false});
    EXPECT_FALSE(s.form.displayTimer().enabled());
}

TEST(SaverInput, SlowDriftEndsOnceBeyondToleranceFromTheStart) {
    Saver s;
    for (int y = 300; y >= 245; y -= 5) ASSERT_FALSE(s.moveTo(400, y)) << y;
    EXPECT_TRUE(s.moveTo(400, 244));
}

TEST(SaverInput, OnlyPressesAndKeysEndIt) {
    using B = MouseButton;
    using K = EventKind;
    const struct {
        Event input;
        bool ends;
    } cases[] = {
        {pointerEvent(K::ButtonUp, {0, 0}, B::Left), false},
        {pointerEvent(K::ButtonUp, {0, 0}, B::Right), false},
        {pointerEvent(K::DoubleClick, {0, 0}, B::Left), false},
        {pointerEvent(K::Wheel, {0, 0}), false},
        {{.kind = K::FocusLost}, false},
        {pointerEvent(K::ButtonDown, {400, 300}, B::Other), false},  // a side button
        {keyEvent(true, 38), true},
        {keyEvent(false, 38), true},
        {keyEvent(true, 64, true), true},  // with Alt
        {pointerEvent(K::ButtonDown, {400, 300}, B::Left), true},
        {pointerEvent(K::ButtonDown, {400, 300}, B::Right), true},
        {pointerEvent(K::ButtonDown, {400, 300}, B::Middle), true},
    };
    for (const auto& c : cases) {
        Saver s;
        EXPECT_EQ(s.send(c.input), c.ends) << int(c.input.kind) << " " << int(c.input.button);
    }
}

TEST(SaverInput, PositionsCountTheirTrueDistanceAcrossTheWholeDesk) {
    // A screen left of or above the primary gives negative positions; a desk wider than 65535
    // pixels gives positions that do not fit in 16 bits: 65546 is not 10.
    const struct {
        Point to;
        bool ends;
    } cases[] = {{{-40, 10}, false},  {{-60, 10}, true},   {{10, -45}, false},
                 {{10, -46}, true},   {{65546, 10}, true}, {{10, 65546}, true},
                 {{65600, 10}, true}, {{-65526, 10}, true}};
    for (const auto& c : cases) {
        Saver s;
        s.form.setStartCursorPos({10, 10});
        EXPECT_EQ(s.moveTo(c.to.x, c.to.y), c.ends) << c.to.x << "," << c.to.y;
    }
}

TEST(SaverInput, TerminateEnds) {
    Saver s;
    EXPECT_TRUE(s.send(terminateEvent()));
}

TEST(SaverPhase, AWindowEndedBeforeItShowsNeverShows) {
    // Input under a box of the start-up can end the saver before its window is first shown.
    Saver s;
    EXPECT_EQ(s.form.phase(), SaverPhase::Starting);
    EXPECT_TRUE(s.send(keyEvent(true)));
    s.form.showWindow();
    EXPECT_FALSE(s.host.windowOpen());
    EXPECT_EQ(s.form.phase(), SaverPhase::Closed);
    // Shown, then ended: closed for good, whatever comes after.
    Saver t;
    t.form.showWindow();
    EXPECT_EQ(t.form.phase(), SaverPhase::Showing);
    EXPECT_TRUE(t.host.windowOpen());
    EXPECT_TRUE(t.send(pointerEvent(EventKind::ButtonDown, {400, 300}, MouseButton::Left)));
    t.form.showWindow();
    EXPECT_FALSE(t.host.windowOpen());
    EXPECT_EQ(t.form.phase(), SaverPhase::Closed);
}
