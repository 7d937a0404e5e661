#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "Dispatch.h"
#include "InstanceLock.h"
#include "TestSupport.h"
#include "WindowArguments.h"

using namespace quillo;
using quillo::test::FakeSystemServices;

TEST(Dispatch, SwitchesAndTheirEdges) {
    const std::pair<Mode, std::vector<std::optional<std::string>>> cases[] = {
        // The saver only as a whole argument.
        {Mode::Saver, {"/S", "/s"}},
        // Settings and password change by their first two characters.
        {Mode::Settings, {"/c", "/c:1234", "/CONFIG"}},
        {Mode::PasswordChange, {"/a", "/ALL"}},
        // Preview requests and everything else end the process; non-ASCII letters are not
        // upper-cased.
        {Mode::None, {std::nullopt, "", "/", "/S:1234", "/SAVE", "S", "/P", "-s", "/\xC3\xA7"}},
    };
    for (const auto& [mode, arguments] : cases)
        for (const auto& argument : arguments)
            EXPECT_EQ(chooseMode(argument), mode) << argument.value_or("(no argument)");
}

// A runtime folder of the test's own, so that no saver running elsewhere counts.
struct PrivateRuntime {
    quillo::test::TempDir dir;
    quillo::test::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path()};
};

TEST(Dispatch, HelpAndVersionOnlyAsTheFirstArgument) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(informationText({"--help"}).value_or("").rfind("Usage: quillo ", 0), 0u);
    EXPECT_EQ(informationText({"--version", "/S"}).value_or("").rfind("quillo ", 0), 0u);
    for (const Args& other :
         {Args{}, Args{"/S", "--help"}, Args{"-help"}, Args{"--HELP"}, Args{"--version=1"}})
        EXPECT_FALSE(informationText(other)) << ::testing::PrintToString(other);
}

TEST(InstanceLock, SaversInWindowsShareItTheFullScreenSaverHoldsItAlone) {
    PrivateRuntime runtime;
    EXPECT_FALSE(InstanceLock::saverRunning());
    EXPECT_FALSE(InstanceLock::soleSaverRunning());
    {
        InstanceLock first, second, third;
        ASSERT_TRUE(first.acquireShared());
        ASSERT_TRUE(second.acquireShared());
        EXPECT_TRUE(InstanceLock::saverRunning());
        EXPECT_FALSE(InstanceLock::soleSaverRunning());
        EXPECT_FALSE(third.acquire());
        // Looking took nothing: a third sharer still gets in.
        EXPECT_TRUE(third.acquireShared());
    }
    EXPECT_FALSE(InstanceLock::saverRunning());
    {
        InstanceLock alone, other;
        ASSERT_TRUE(alone.acquire());
        EXPECT_TRUE(InstanceLock::saverRunning());
        EXPECT_TRUE(InstanceLock::soleSaverRunning());
        EXPECT_FALSE(other.acquire());
        EXPECT_FALSE(other.acquireShared());
    }
    EXPECT_FALSE(InstanceLock::saverRunning());
    EXPECT_FALSE(InstanceLock::soleSaverRunning());
}

TEST(InstanceLock, OneSoundHolderAtATimeAndTheNextTakesOver) {
    PrivateRuntime runtime;
    SoundLock later;
    {
        SoundLock first;
        ASSERT_TRUE(first.tryAcquire());
        EXPECT_TRUE(first.tryAcquire());  // asked again at every tick: still its own
        EXPECT_FALSE(later.tryAcquire());
        // The saver's lock is another file: holding the sound keeps no start away.
        EXPECT_FALSE(InstanceLock::saverRunning());
    }
    EXPECT_TRUE(later.tryAcquire());
}

TEST(InstanceLock, NoFolderOfOursKeepsNoStartAwayNorQuiet) {
    // The runtime folder's quillo is a link, and the cache folder cannot be made.
    PrivateRuntime runtime;
    ASSERT_EQ(symlink(runtime.dir.path().c_str(), (runtime.dir / "quillo").c_str()), 0);
    quillo::test::ScopedEnv cache("XDG_CACHE_HOME", "/dev/null/cache");
    EXPECT_EQ(InstanceLock::lockPath(), "");
    InstanceLock first, second;
    EXPECT_TRUE(first.acquire());
    EXPECT_TRUE(second.acquire());
    EXPECT_FALSE(InstanceLock::saverRunning());
    SoundLock sound;
    EXPECT_TRUE(sound.tryAcquire());
}

TEST(Dispatch, WhichStartsRunBesideWhichSavers) {
    PrivateRuntime runtime;
    using K = StartKind;
    struct Case {
        std::vector<StartKind> running;  // admitted in this order, each holding what it took
        StartKind start;
        bool admitted;
    };
    const Case cases[] = {
        {{}, K::FullScreen, true},
        {{}, K::Switch, true},
        {{}, K::InWindow, true},
        {{}, K::Preview, true},
        // An idle daemon's savers, one per monitor, whenever each starts.
        {{K::InWindow}, K::InWindow, true},
        {{K::InWindow, K::InWindow}, K::InWindow, true},
        {{K::InWindow}, K::Preview, true},
        // ... and every saver counts for the switches.
        {{K::InWindow}, K::FullScreen, false},
        {{K::InWindow}, K::Switch, false},
        {{K::FullScreen}, K::FullScreen, false},
        {{K::FullScreen}, K::Switch, false},
        {{K::FullScreen}, K::InWindow, false},
        {{K::FullScreen}, K::Preview, false},
        // A preview is no saver: the settings dialog, and a saver, start beside it.
        {{K::Preview}, K::Switch, true},
        {{K::Preview}, K::FullScreen, true},
        {{K::Preview, K::InWindow}, K::InWindow, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(int(c.start)) + " after " +
                     ::testing::PrintToString(c.running.size()) + " started");
        std::vector<std::unique_ptr<InstanceLock>> held;
        for (const StartKind kind : c.running) {
            held.push_back(std::make_unique<InstanceLock>());
            ASSERT_TRUE(admitStart(kind, *held.back()));
        }
        InstanceLock lock;
        EXPECT_EQ(admitStart(c.start, lock), c.admitted);
    }
}

TEST(InstanceLock, ATempFolderThatIsNotOursAloneIsPassedOver) {
    quillo::test::TempDir tmp, home;
    ::unsetenv("XDG_RUNTIME_DIR");  // the test environment sets none of its own for this
    quillo::test::ScopedEnv tmpdir("TMPDIR", tmp.path()), homeEnv("HOME", home.path());
    quillo::test::ScopedEnv cache("XDG_CACHE_HOME", home / "cache");
    const std::string taken = tmp / ("quillo-" + std::to_string(getuid()));
    const std::string elsewhere = tmp / "elsewhere";
    ASSERT_EQ(mkdir(elsewhere.c_str(), 0700), 0);
    const std::vector<std::function<void()>> squatters = {
        [&] { mkdir(taken.c_str(), 0777), chmod(taken.c_str(), 0777); },
        [&] { symlink(elsewhere.c_str(), taken.c_str()); },
        [&] {
            mkdir(taken.c_str(), 0700);
            if (chown(taken.c_str(), 65534, 65534) != 0) chmod(taken.c_str(), 0755);
        },
    };
    for (std::size_t i = 0; i < squatters.size(); ++i) {
        SCOPED_TRACE(i);
        squatters[i]();
        // The squatter holds a lock in its folder; ours goes elsewhere and works as usual.
        const int theirs = open((taken + "/saver.lock").c_str(), O_RDWR | O_CREAT, 0666);
        ASSERT_GE(theirs, 0);
        struct flock whole {};
        whole.l_type = F_WRLCK;
        ASSERT_EQ(fcntl(theirs, F_OFD_SETLK, &whole), 0);
        EXPECT_FALSE(InstanceLock::saverRunning());
        {
            InstanceLock lock;
            ASSERT_TRUE(lock.acquire());
            EXPECT_EQ(InstanceLock::lockPath(), home / "cache/quillo/saver.lock");
            EXPECT_TRUE(InstanceLock::saverRunning());
        }
        close(theirs);
        std::filesystem::remove_all(taken);
    }
    // Our own folder, as it should be, is used.
    InstanceLock lock;
    ASSERT_TRUE(lock.acquire());
    EXPECT_EQ(InstanceLock::lockPath(), taken + "/saver.lock");
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
        // Found anywhere; the named window wins over -root, as a settings program's preview
        // passes the daemon's command line with a window added.
        {{"-root", "--window-id", "0x3c00007"}, "0x5", 0x3c00007, true, true},
        {{"--window-id", "0x10", "-root"}, "0x5", 0x10, true, true},
        {{"-foo", "-root"}, "0x5", 0x5, false, true},
        {{"-root", "-window-id"}, "0x5", 0, true, true},
        // Everything else keeps the ordinary dispatch, whatever the environment says.
        {{"/S"}, "0x5", 0, false, false},
        {{"-ROOT"}, "0x5", 0, false, false},
        {{"/S", "-root"}, "0x5", 0, false, false},
        {{"/C", "-window-id", "0x10"}, "0x5", 0, false, false},
        {{"-foo", "-ROOT", "--window_id", "7"}, "0x5", 0, false, false},
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
