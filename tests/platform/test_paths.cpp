#include <gtest/gtest.h>

#include <filesystem>

#include "Paths.h"
#include "SystemServices.h"
#include "TestSupport.h"

using namespace quillo;
using namespace quillo::test;

TEST(Paths, FoldersFollowTheEnvironment) {
    TempDir dir;
    ScopedEnv home("HOME", dir.path());
    ScopedEnv config("XDG_CONFIG_HOME", dir / "cfg");
    EXPECT_EQ(applicationDataDir(), dir / "cfg");
    ScopedEnv relative("XDG_CONFIG_HOME", "relative/cfg");  // not a valid base folder
    EXPECT_EQ(applicationDataDir(), dir / ".config");

    ScopedEnv pictures("XDG_PICTURES_DIR", dir / "shots");
    LinuxSystemServices services;
    EXPECT_EQ(services.picturesDirectory(), dir.path());  // neither folder exists yet
    std::filesystem::create_directory(dir / "Pictures");
    EXPECT_EQ(picturesDir(), dir / "Pictures");
    std::filesystem::create_directory(dir / "shots");
    EXPECT_EQ(picturesDir(), dir / "shots");

    writeFile(dir / "file", "");
    EXPECT_TRUE(fileExists(dir / "file"));
    EXPECT_FALSE(fileExists(dir.path()));
    EXPECT_FALSE(directoryExists(dir / "file"));
    EXPECT_TRUE(createDirectory(dir / "new"));
    EXPECT_TRUE(createDirectory(dir / "new"));
    EXPECT_FALSE(createDirectory(dir / "file"));
    EXPECT_FALSE(createDirectory(dir / "a/b"));
}
