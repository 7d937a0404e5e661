#pragma once
// The operating-system services the saver and the dialog consult: the pictures folder and the
// "screen saver running" state. Passwords are the desktop's screen locker's on Linux, so the
// saver asks for none; tests use a fake that records the running state.
#include <string>

namespace quillo {

class SystemServices {
public:
    virtual ~SystemServices() = default;
    // The user's Pictures folder, else the home folder; "" when unknown.
    virtual std::string picturesDirectory() = 0;
    virtual void setScreenSaverRunning(bool running) = 0;
};

// The Linux answers.
class LinuxSystemServices : public SystemServices {
public:
    std::string picturesDirectory() override;
    // Recorded nowhere: no desktop on Linux reads this state.
    void setScreenSaverRunning(bool) override {}
};

}  // namespace quillo
