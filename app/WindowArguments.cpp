#include "WindowArguments.h"

#include <charconv>

namespace quillo {

std::optional<std::uint32_t> parseWindowId(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text[0] == '+' || text[0] == '-') return std::nullopt;
    std::uint32_t id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id, base);
    if (error != std::errc() || end != text.data() + text.size() || id == 0) return std::nullopt;
    return id;
}

std::optional<WindowRequest> readWindowArguments(const std::vector<std::string>& args,
                                                 const char* xscreensaverWindow) {
    // A command line led by a Windows switch is that switch's alone.
    if (args.empty() || args[0].starts_with('/')) return std::nullopt;
    // Settings programs start their preview with the daemon's own command line and a window
    // added anywhere ("-root --window-id 0x..."): the named window wins, and stays silent.
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg != "-window-id" && arg != "--window-id") continue;
        WindowRequest request;
        request.silent = true;
        if (i + 1 >= args.size())
            request.error = arg + " needs a window id";
        else if (const auto id = parseWindowId(args[i + 1]))
            request.window = *id;
        else
            request.error = "not a window id: " + args[i + 1];
        return request;
    }
    for (const std::string& arg : args) {
        if (arg != "-root" && arg != "--root") continue;
        WindowRequest request;
        const std::string value = xscreensaverWindow ? xscreensaverWindow : "";
        if (const auto id = parseWindowId(value))
            request.window = *id;
        else
            request.error = value.empty() ? "XSCREENSAVER_WINDOW is not set"
                                          : "XSCREENSAVER_WINDOW is not a window id: " + value;
        return request;
    }
    return std::nullopt;
}

}  // namespace quillo
