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
    if (args.empty()) return std::nullopt;
    const std::string& first = args[0];
    WindowRequest request;
    if (first == "-root" || first == "--root") {
        const std::string value = xscreensaverWindow ? xscreensaverWindow : "";
        if (const auto id = parseWindowId(value))
            request.window = *id;
        else
            request.error = value.empty() ? "XSCREENSAVER_WINDOW is not set"
                                          : "XSCREENSAVER_WINDOW is not a window id: " + value;
        return request;
    }
    if (first == "-window-id" || first == "--window-id") {
        request.silent = true;
        if (args.size() < 2)
            request.error = first + " needs a window id";
        else if (const auto id = parseWindowId(args[1]))
            request.window = *id;
        else
            request.error = "not a window id: " + args[1];
        return request;
    }
    return std::nullopt;
}

}  // namespace quillo
