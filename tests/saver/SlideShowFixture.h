#pragma once
// A saver started on the headless host from a settings file the test writes, with solid-colour
// pictures made by the test.
#include <map>
#include <string>
#include <vector>

#include "EventLoop.h"
#include "HeadlessHost.h"
#include "SaverWindow.h"
#include "TestSupport.h"

namespace quillo::test {

struct SlideShow {
    TempDir dir;
    ScopedEnv config{"XDG_CONFIG_HOME", dir.path()};
    HeadlessHost host;
    EventLoop loop{host};
    FakeSystemServices services;
    SaverWindow form{host, loop, services};
    std::vector<std::string> errors;

    explicit SlideShow(Size screen = {800, 600});

    // A solid picture written as a 24-bit BMP in the test folder; returns its path.
    std::string picture(const std::string& name, int w, int h, Color c);
    // Writes the settings: the given options, then every picture and sound slot (free when not
    // listed), and starts the saver.
    void start(const std::map<std::string, std::string>& options,
               const std::vector<std::string>& pictures,
               const std::vector<std::string>& sounds = {});
    // Moves the clock to the next tick, runs it and serves the repaint it asked for.
    void tick();
    Color at(int x, int y) const { return host.frame()->pixel(x, y); }
};

}  // namespace quillo::test
