#pragma once
// Shared helpers for the test programs: temporary folders, environment overrides, scripted
// message boxes and a fake of the operating-system services.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "MessageBox.h"
#include "SystemServices.h"

namespace quillo::test {

// A fresh folder under the temp folder, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Sets an environment variable for the scope, restoring the old value afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();

private:
    std::string name_;
    std::optional<std::string> old_;
};

std::string readFile(const std::string& path);
// Runs body in a child process without the capabilities that let root ignore file permission
// bits, so permission tests mean the same for root as for a user. Returns the child's exit code
// (0: body returned true).
int runWithoutOverride(const std::function<bool()>& body);
void writeFile(const std::string& path, const std::string& bytes);
// Runs body in a child process that is killed after `seconds`, so a hang fails the test instead
// of blocking the suite. Returns the child's exit code (0: body returned true), -1 when it was
// killed or crashed.
int runWithDeadline(unsigned seconds, const std::function<bool()>& body);
// The child's peak resident memory in MiB, as the kernel counts it.
long peakMemoryMiB();

// Records every box shown and answers from a script (Ok when the script is empty).
class ScriptedBoxes : public MessageBoxes {
public:
    struct Shown {
        MessageKind kind;
        std::string text;
        MessageButtons buttons;
    };
    MessageResult show(MessageKind kind, const std::string& text, MessageButtons buttons) override;
    std::vector<Shown> shown;
    std::deque<MessageResult> answers;
};

// Operating-system services that record the running state.
class FakeSystemServices : public SystemServices {
public:
    std::string windowsDir = "C:\\WINDOWS";
    std::vector<bool> runningStates;

    std::string picturesDirectory() override { return windowsDir; }
    void setScreenSaverRunning(bool running) override { runningStates.push_back(running); }
};

}  // namespace quillo::test
