#pragma once
// The arguments with which idle daemons and settings programs run a screen saver inside a window
// of theirs: "-root" (the window named by XSCREENSAVER_WINDOW) and "-window-id N" (a preview,
// silent). Either may have two dashes and stand anywhere on the command line; "-window-id N" wins
// over "-root". A command line whose first argument is a Windows switch ("/S", "/C", ...) keeps
// the ordinary dispatch, and so does every command line without either.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillo {

struct WindowRequest {
    std::uint32_t window = 0;
    bool silent = false;
    std::string error;  // not empty: the arguments ask for a window but name none usable
};

// nullopt when the command line asks for no window.
std::optional<WindowRequest> readWindowArguments(const std::vector<std::string>& args,
                                                 const char* xscreensaverWindow);

// An X11 window id: "0x" and hex digits, or decimal digits; nonzero, at most 32 bits.
std::optional<std::uint32_t> parseWindowId(std::string_view text);

}  // namespace quillo
