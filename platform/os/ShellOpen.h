#pragma once
// Opening a file or web address in the program the desktop associates with it, through
// xdg-open. The result follows the shell's convention: above 32 on success, a small error code
// otherwise, with kShellNoAssociation for "no program is associated with this kind of file".
#include <string>

namespace quillo {

constexpr int kShellOk = 42;             // any value above 32 means success
constexpr int kShellFileNotFound = 2;    // xdg-open is missing, or the file does not exist
constexpr int kShellNoAssociation = 31;  // no program is associated with the file's type
constexpr int kShellAssocFailed = 27;    // a program is associated but could not be started
constexpr int kShellFailed = 0;          // any other failure (bad arguments, killed, ...)

// How long to wait for xdg-open before treating it as started. Without a desktop environment
// xdg-open may run the viewer in the foreground and only return when it ends, so the call
// gives up waiting after this and reaps the process later.
constexpr int kShellWaitMilliseconds = 3000;

// Runs `xdg-open <target>` (found on PATH) with target as one argument, unchanged, no shell
// involved, and maps its outcome:
//   exit 0                                   -> kShellOk
//   still running after the wait             -> kShellOk (the viewer runs in the foreground)
//   xdg-open not found                       -> kShellFileNotFound
//   exit 2 (file does not exist)             -> kShellFileNotFound
//   exit 3 (a tool is missing) or 4 (failed) -> kShellNoAssociation when
//        `xdg-mime query default <type>` prints nothing for the target's type (the file's MIME
//        type from `xdg-mime query filetype`, or x-scheme-handler/<scheme> for an address),
//        else kShellAssocFailed
//   anything else                            -> kShellFailed
int ShellOpen(const std::string& target);

}  // namespace quillo
