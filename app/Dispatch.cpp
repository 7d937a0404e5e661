#include "Dispatch.h"

#include "AsciiCase.h"

namespace quillo {

Mode chooseMode(const std::optional<std::string>& firstArgument) {
    if (!firstArgument) return Mode::None;
    const std::string upper = asciiUpper(*firstArgument);
    const std::string prefix = upper.substr(0, 2);
    if (upper == "/S") return Mode::Saver;
    if (upper == "/C" || prefix == "/C") return Mode::Settings;
    if (upper == "/A" || prefix == "/A") return Mode::PasswordChange;
    return Mode::None;
}

void runPasswordChange(SystemServices& services) {
    std::string path = services.systemDirectory();
    if (!path.empty() && path.back() != '/') path += '/';
    path += "MPR.DLL";
    std::unique_ptr<PasswordLibrary> lib = services.loadLibrary(path);
    if (!lib) return;
    if (lib->hasExport("PwdChangePasswordA")) lib->PwdChangePasswordA("SCRSAVE", nullptr, 0, 0);
}

}  // namespace quillo
