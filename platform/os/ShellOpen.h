#pragma once
// Opening a file or web address in the program the desktop associates with it, through
// xdg-open.
#include <string>

namespace quillo {

enum class OpenResult {
    Opened,     // the program started (or xdg-open still runs it after the wait)
    NoProgram,  // no program is associated with this kind of file or address
    Failed,     // anything else: no xdg-open, a missing file, a program that failed to start
};

// How long to wait for xdg-open before treating it as started. Without a desktop environment
// xdg-open may run the viewer in the foreground and only return when it ends, so the call
// gives up waiting after this and reaps the process later.
constexpr int kShellWaitMilliseconds = 3000;

// Runs `xdg-open <target>` (found on PATH) with target as one argument, unchanged, no shell
// involved. Its exit 3 (a tool is missing) or 4 (failed) means NoProgram when
// `xdg-mime query default <type>` prints nothing for the target's type (the file's MIME type
// from `xdg-mime query filetype`, or x-scheme-handler/<scheme> for an address).
OpenResult ShellOpen(const std::string& target);

}  // namespace quillo
