// Opening files through xdg-open: the argument passes unchanged and outcomes map to shell results.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <filesystem>

#include "ShellOpen.h"
#include "TestSupport.h"

namespace quillo::test {
namespace {

// Puts stand-ins for xdg-open and xdg-mime first on PATH. xdg-open records its arguments and
// exits with openExit; xdg-mime answers "query default" with defaultApp.
class FakeXdg {
public:
    FakeXdg(int openExit, const std::string& defaultApp)
        : path_("PATH", dir_.path() + ":/usr/bin:/bin") {
        script("xdg-open", "printf '%s\\n' \"$#\" \"$1\" > '" + dir_.path() + "/args'\nexit " +
                               std::to_string(openExit) + "\n");
        script("xdg-mime",
               "case \"$2\" in\n"
               "  filetype) echo image/jpeg ;;\n"
               "  default) printf '%s\\n' \"$3\" > '" +
                   dir_.path() + "/type'; printf '" + defaultApp +
                   "' ;;\n"
                   "esac\n");
    }
    std::string args() const { return readFile(dir_ / "args"); }
    std::string queriedType() const { return readFile(dir_ / "type"); }

private:
    void script(const std::string& name, const std::string& body) {
        const std::string p = dir_ / name;
        writeFile(p, "#!/bin/sh\n" + body);
        chmod(p.c_str(), 0755);
    }
    TempDir dir_;
    ScopedEnv path_;
};

TEST(ShellOpen, PassesThePathAsOneUnchangedArgument) {
    FakeXdg xdg(0, "viewer.desktop");
    const std::string path = "/pics/a b \"c\" 'd' $(echo no) ü;ls.jpg";
    EXPECT_EQ(ShellOpen(path), OpenResult::Opened);
    EXPECT_EQ(xdg.args(), "1\n" + path + "\n");
}

TEST(ShellOpen, MapsTheOutcomes) {
    {
        FakeXdg xdg(4, "");  // failed and nothing is associated with image/jpeg
        EXPECT_EQ(ShellOpen("/pics/x.jpg"), OpenResult::NoProgram);
        EXPECT_EQ(xdg.queriedType(), "image/jpeg\n");
    }
    {
        FakeXdg xdg(3, "");  // a tool is missing
        EXPECT_EQ(ShellOpen("/pics/x.jpg"), OpenResult::NoProgram);
    }
    {
        FakeXdg xdg(4, "viewer.desktop");  // associated, but the viewer failed
        EXPECT_EQ(ShellOpen("/pics/x.jpg"), OpenResult::Failed);
    }
    {
        FakeXdg xdg(4, "");  // addresses are looked up by their scheme
        EXPECT_EQ(ShellOpen("https://quillo.example.org/download"), OpenResult::NoProgram);
        EXPECT_EQ(xdg.queriedType(), "x-scheme-handler/https\n");
    }
    {
        FakeXdg xdg(2, "");
        EXPECT_EQ(ShellOpen("/pics/gone.jpg"), OpenResult::Failed);
    }
    {
        FakeXdg xdg(1, "");
        EXPECT_EQ(ShellOpen("/pics/x.jpg"), OpenResult::Failed);
    }
    {
        TempDir empty;
        ScopedEnv path("PATH", empty.path());
        EXPECT_EQ(ShellOpen("/pics/x.jpg"), OpenResult::Failed);
    }
}

}  // namespace
}  // namespace quillo::test
