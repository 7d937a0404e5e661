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
        loop.setMessageFilter([this](Message& m, bool& h) { form.onInput(m, h); });
    }
    // Sends one message through the loop; true when the saver ended.
    bool send(std::uint32_t message, std::int64_t lParam = 0) {
        host.queueInput({message, 0, lParam});
        loop.processMessages();
        return form.closed();
    }
    bool moveTo(int x, int y) { return send(msg::MouseMove, msg::pointParam(x, y)); }
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
    for (std::uint32_t m : {msg::LButtonUp, msg::RButtonUp, msg::MButtonUp, msg::LButtonDblClk,
                            msg::MouseWheel, msg::KillFocus, std::uint32_t(0x020B)}) {
        Saver s;
        EXPECT_FALSE(s.send(m, msg::pointParam(0, 0))) << m;
    }
    for (std::uint32_t m : {msg::KeyDown, msg::KeyUp, msg::SysKeyDown, msg::SysKeyUp,
                            msg::LButtonDown, msg::RButtonDown, msg::MButtonDown}) {
        Saver s;
        EXPECT_TRUE(s.send(m, msg::pointParam(400, 300))) << m;
    }
}

TEST(SaverInput, CoordinatesAreUnsigned16BitHalves) {
    Saver s;
    s.form.setStartCursorPos({0, 0});
    // -1 arrives as 65535: far away, so it ends the saver.
    EXPECT_TRUE(s.send(msg::MouseMove, msg::pointParam(-1, 0)));
}

TEST(SaverInput, TerminateEnds) {
    Saver s;
    EXPECT_TRUE(s.send(msg::Terminate));
}

TEST(SaverPhase, AWindowEndedBeforeItShowsNeverShows) {
    // Input under a box of the start-up can end the saver before its window is first shown.
    Saver s;
    EXPECT_EQ(s.form.phase(), SaverPhase::Starting);
    EXPECT_TRUE(s.send(msg::KeyDown));
    s.form.showWindow();
    EXPECT_FALSE(s.host.windowOpen());
    EXPECT_EQ(s.form.phase(), SaverPhase::Closed);
    // Shown, then ended: closed for good, whatever comes after.
    Saver t;
    t.form.showWindow();
    EXPECT_EQ(t.form.phase(), SaverPhase::Showing);
    EXPECT_TRUE(t.host.windowOpen());
    EXPECT_TRUE(t.send(msg::LButtonDown));
    t.form.showWindow();
    EXPECT_FALSE(t.host.windowOpen());
    EXPECT_EQ(t.form.phase(), SaverPhase::Closed);
}
