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

TEST(ExitCheck, PasswordMatrixOutsideTheNtFamily) {
    struct Case {
        const char* name;
        bool keyExists;
        std::optional<std::optional<std::int32_t>> value;  // outer empty: no value
        bool libraryLoads;
        bool hasExport;
        int answer;
        bool ends;
        int verifyCalls;
    };
    const Case cases[] = {
        {"no key", false, std::nullopt, true, true, 0, true, 0},
        {"no value", true, std::nullopt, true, true, 0, true, 0},
        {"value 0", true, std::optional<std::int32_t>(0), true, true, 0, true, 0},
        {"not an integer", true, std::optional<std::int32_t>(), true, true, 0, true, 0},
        {"no library", true, std::optional<std::int32_t>(1), false, true, 0, true, 0},
        {"no export", true, std::optional<std::int32_t>(1), true, false, 0, true, 0},
        {"refused", true, std::optional<std::int32_t>(1), true, true, 0, false, 1},
        {"accepted", true, std::optional<std::int32_t>(7), true, true, 1, true, 1},
    };
    for (const Case& c : cases) {
        Saver s;
        s.services.nt = false;
        s.services.keyExists = c.keyExists;
        if (c.value) s.services.values["ScreenSaveUsePassword"] = *c.value;
        s.services.libraryLoads = c.libraryLoads;
        s.services.hasVerifyExport = c.hasExport;
        s.services.passwordAnswers = {c.answer};
        const int cursor = s.host.cursorCount();
        EXPECT_EQ(s.send(msg::KeyDown), c.ends) << c.name;
        EXPECT_EQ(s.services.verifyCalls, c.verifyCalls) << c.name;
        EXPECT_EQ(s.host.cursorCount(), cursor) << c.name;  // shown for the check, hidden after
        EXPECT_FALSE(s.form.checkingInput()) << c.name;
    }
}

TEST(ExitCheck, RefusedThenAcceptedAndNtNeverAsks) {
    Saver s;
    s.services.nt = false;
    s.services.values["ScreenSaveUsePassword"] = 1;
    s.services.systemDir = "/sys/dir";
    s.services.passwordAnswers = {0, 1};
    EXPECT_FALSE(s.send(msg::LButtonDown));
    EXPECT_EQ(s.services.loadedLibraries.back(), "/sys/dir/PASSWORD.CPL");
    // The start position is never renewed: any far position starts a new check at once.
    EXPECT_TRUE(s.moveTo(500, 300));
    EXPECT_EQ(s.services.verifyCalls, 2);

    Saver nt;
    nt.services.values["ScreenSaveUsePassword"] = 1;
    EXPECT_TRUE(nt.send(msg::KeyUp));
    EXPECT_EQ(nt.services.keysOpened, 0);
    EXPECT_EQ(nt.services.verifyCalls, 0);
}

TEST(SaverInput, TerminateEndsWithoutAPasswordCheck) {
    Saver s;
    s.services.nt = false;
    s.services.values["ScreenSaveUsePassword"] = 1;
    EXPECT_TRUE(s.send(msg::Terminate));
    EXPECT_EQ(s.services.verifyCalls, 0);
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
