#include <gtest/gtest.h>

#include "Dispatch.h"
#include "InstanceLock.h"
#include "TestSupport.h"
#include "WindowArguments.h"

using namespace quillo;
using quillo::test::FakeSystemServices;

TEST(Dispatch, SwitchesAndTheirEdges) {
    EXPECT_EQ(chooseMode(std::nullopt), Mode::None);
    EXPECT_EQ(chooseMode(""), Mode::None);
    EXPECT_EQ(chooseMode("/"), Mode::None);
    // The saver only as a whole argument.
    EXPECT_EQ(chooseMode("/S"), Mode::Saver);
    EXPECT_EQ(chooseMode("/s"), Mode::Saver);
    EXPECT_EQ(chooseMode("/S:1234"), Mode::None);
    EXPECT_EQ(chooseMode("/SAVE"), Mode::None);
    EXPECT_EQ(chooseMode("S"), Mode::None);
    // Settings and password change by their first two characters.
    EXPECT_EQ(chooseMode("/c"), Mode::Settings);
    EXPECT_EQ(chooseMode("/c:1234"), Mode::Settings);
    EXPECT_EQ(chooseMode("/CONFIG"), Mode::Settings);
    EXPECT_EQ(chooseMode("/a"), Mode::PasswordChange);
    EXPECT_EQ(chooseMode("/ALL"), Mode::PasswordChange);
    // Preview requests and everything else end the process.
    EXPECT_EQ(chooseMode("/P"), Mode::None);
    EXPECT_EQ(chooseMode("-s"), Mode::None);
    EXPECT_EQ(chooseMode("/\xC3\xA7"), Mode::None);  // non-ASCII letters are not upper-cased
}

TEST(Dispatch, PasswordChangeLoadsTheLibraryOnlyWhenPresent) {
    FakeSystemServices s;
    s.systemDir = "/usr/lib";
    runPasswordChange(s);
    ASSERT_EQ(s.loadedLibraries, std::vector<std::string>{"/usr/lib/MPR.DLL"});
    EXPECT_EQ(s.changePasswordCalls, 1);
    EXPECT_EQ(s.lastProvider, "SCRSAVE");
    EXPECT_EQ(s.lastOwner, nullptr);

    FakeSystemServices missing;
    missing.systemDir = "";
    missing.libraryLoads = false;
    runPasswordChange(missing);
    EXPECT_EQ(missing.loadedLibraries, std::vector<std::string>{"MPR.DLL"});
    EXPECT_EQ(missing.changePasswordCalls, 0);

    LinuxSystemServices linux;
    runPasswordChange(linux);  // nothing to load on Linux: ends silently
}

TEST(InstanceLock, OneHolderAtATimeAndReleasedWithIt) {
    quillo::test::TempDir dir;
    quillo::test::ScopedEnv runtime("XDG_RUNTIME_DIR", dir.path());
    EXPECT_FALSE(InstanceLock::saverRunning());
    {
        InstanceLock first;
        ASSERT_TRUE(first.acquire());
        EXPECT_TRUE(InstanceLock::saverRunning());
        InstanceLock second;
        EXPECT_FALSE(second.acquire());
    }
    EXPECT_FALSE(InstanceLock::saverRunning());
}

TEST(Dispatch, WindowArguments) {
    struct Case {
        std::vector<std::string> args;
        const char* env;
        std::uint32_t window;  // 0: no window (an error, or not a window request)
        bool silent;
        bool request;
    };
    const Case cases[] = {
        {{"-root"}, "0x1a00007", 0x1a00007, false, true},
        {{"--root", "-foo"}, "27262983", 27262983, false, true},
        {{"-root"}, "0X1A", 0x1a, false, true},
        {{"-root"}, nullptr, 0, false, true},
        {{"-root"}, "", 0, false, true},
        {{"-root"}, "0x", 0, false, true},
        {{"-root"}, "12abc", 0, false, true},
        {{"-root"}, "-5", 0, false, true},
        {{"-root"}, "0", 0, false, true},
        {{"-root"}, "4294967296", 0, false, true},  // more than 32 bits
        {{"-window-id", "0x400001"}, nullptr, 0x400001, true, true},
        {{"--window-id", "77"}, "0x5", 77, true, true},
        {{"-window-id"}, nullptr, 0, true, true},
        {{"-window-id", "window"}, nullptr, 0, true, true},
        // Everything else keeps the ordinary dispatch, whatever the environment says.
        {{"/S"}, "0x5", 0, false, false},
        {{"-ROOT"}, "0x5", 0, false, false},
        {{"/S", "-root"}, "0x5", 0, false, false},
        {{}, "0x5", 0, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.args) + " env " + (c.env ? c.env : "(unset)"));
        const auto r = readWindowArguments(c.args, c.env);
        ASSERT_EQ(r.has_value(), c.request);
        if (!r) continue;
        EXPECT_EQ(r->window, c.window);
        EXPECT_EQ(r->error.empty(), c.window != 0);
        EXPECT_EQ(r->silent, c.silent);
    }
}
