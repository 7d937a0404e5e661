#include <gtest/gtest.h>

#include "Dispatch.h"
#include "InstanceLock.h"
#include "TestSupport.h"

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
