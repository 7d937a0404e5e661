#pragma once
// A saver on the headless host, started from a settings file the test writes, with pictures made
// by the test and the scripted media player.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SaverWindow.h"
#include "ScriptedMediaPlayer.h"
#include "TestSupport.h"

namespace quillo::test {

struct SlideShow {
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.path()};
    HeadlessHost host;
    EventLoop loop{host};
    FakeSystemServices services;
    ScriptedMediaPlayer player{loop};
    const int showCount;
    SaverWindow form{host, loop, services, &player, showCount};
    // What start asks of the run beside the settings.
    SaverStart parameters;
    std::vector<std::string> errors;

    // With shows, that many shows side by side, each of the screen's size.
    explicit SlideShow(Size screen = {800, 600}, int depth = 24, int shows = 1);
    // One show, on a desk of those screens.
    explicit SlideShow(std::vector<ScreenInfo> screens);
    // No decode ahead outlives the test.
    ~SlideShow() { form.waitForPictureAhead(); }

    std::string ini() const { return dir / "Quillo/quillo51.ini"; }
    void writeIni(const std::string& text);
    // A picture written as a 24-bit BMP in the test folder: solid, or any bitmap; a name ending
    // in ".jpg" makes it a JPEG of quality 100 (flat greys come back exact). Returns its path.
    std::string picture(const std::string& name, int w, int h, Color c);
    std::string picture(const std::string& name, const Bitmap& bitmap);
    // A JPEG whose header loads but whose data fail when decoded: cut early in its scan.
    std::string brokenJpeg();
    // The settings: the given options, then every picture and sound slot (free when not listed).
    void writeSettings(const std::map<std::string, std::string>& options,
                       const std::vector<std::string>& pictures,
                       const std::vector<std::string>& sounds = {});
    // The window's creation and first show, on whatever settings file is there (or none).
    void start();
    void start(const std::map<std::string, std::string>& options,
               const std::vector<std::string>& pictures,
               const std::vector<std::string>& sounds = {}) {
        writeSettings(options, pictures, sounds);
        start();
    }
    // Moves the clock to the next tick, extraMs after it is due, and runs it with the frames of
    // any animation it begins.
    void runTick(std::uint64_t extraMs = 0);
    // Runs the loop, its clock jumping to each next frame, until no show has a frame to come.
    void runFrames();
    // runTick, then the repaint it asked for, as the running loop serves it.
    void tick() {
        runTick();
        loop.processMessages();
    }
    // A generator re-seeded as the next tick would re-seed it, extraMs after it is due.
    SaverRandom nextTickRandom(std::uint64_t extraMs = 0);
    Color at(int x, int y) const { return host.frame()->pixel(x, y); }

private:
    std::unique_ptr<HeadlessHost> probe_;  // the clock of nextTickRandom's generator
};

}  // namespace quillo::test
