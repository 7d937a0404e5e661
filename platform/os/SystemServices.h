#pragma once
// The operating-system services the saver and the entry point consult: platform family, system
// and pictures folders, loadable password libraries, the per-user registry and the
// "screen saver running" state. On Linux the desktop's screen locker owns passwords, so the
// real implementation reports the NT family and loads no library; tests use a fake.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quillo {

// A loaded password library. Each export is looked up by name at the moment of use.
class PasswordLibrary {
public:
    virtual ~PasswordLibrary() = default;
    virtual bool hasExport(const std::string& name) const = 0;
    // "VerifyScreenSavePwd": asks for the password in a modal dialog; nonzero when accepted.
    virtual int VerifyScreenSavePwd(void* ownerWindow) = 0;
    // "PwdChangePasswordA": shows the password change dialog of the given provider.
    virtual int PwdChangePasswordA(const std::string& provider, void* ownerWindow, int reserved1,
                                   int reserved2) = 0;
};

class RegistryKey {
public:
    virtual ~RegistryKey() = default;
    virtual bool hasValue(const std::string& name) const = 0;
    // nullopt when the value is not a 32-bit integer.
    virtual std::optional<std::int32_t> readInteger(const std::string& name) const = 0;
};

class SystemServices {
public:
    virtual ~SystemServices() = default;
    virtual bool IsNTPlatform() = 0;
    virtual std::string systemDirectory() = 0;  // "" when unknown
    // The user's Pictures folder, else the home folder; "" when unknown.
    virtual std::string picturesDirectory() = 0;
    virtual std::unique_ptr<PasswordLibrary> loadLibrary(const std::string& path) = 0;
    // Opens a key under the current user's hive without creating it; null when missing.
    virtual std::unique_ptr<RegistryKey> openCurrentUserKey(const std::string& path) = 0;
    virtual void setScreenSaverRunning(bool running) = 0;
};

// The Linux answers.
class LinuxSystemServices : public SystemServices {
public:
    bool IsNTPlatform() override { return true; }
    std::string systemDirectory() override;
    std::string picturesDirectory() override;
    std::unique_ptr<PasswordLibrary> loadLibrary(const std::string& path) override;
    std::unique_ptr<RegistryKey> openCurrentUserKey(const std::string& path) override;
    // Recorded nowhere: no desktop on Linux reads this state.
    void setScreenSaverRunning(bool) override {}
};

}  // namespace quillo
