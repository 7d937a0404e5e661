#!/usr/bin/env bash
# The idle saver (no pictures) holds at most 10 MiB more at its peak than an ordinary full-screen
# Qt window in a program that links SDL2_mixer, at 1920x1080 with the same platform plugin:
# the framebuffer is the one screen-sized buffer, not a second one beside the toolkit's.
set -euo pipefail
QUILLO=${1:?usage: test_idle_memory.sh path/to/quillo}
window=${QUILLO_IDLE_WINDOW:?the idle window program (bench/idle_window.cpp)}
command -v Xvfb >/dev/null || { echo "no Xvfb: skipped"; exit 0; }
root="$(cd "$(dirname "$0")/../.." && pwd)"
read -r saver plain difference < <(bash "$root/bench/idle_memory.sh" "$QUILLO" "$window" 3 3)
echo "idle saver $saver KiB, Qt window $plain KiB"
# A sanitizer's shadow memory and quarantine are not the program's: figures only.
if [ -z "${QUILLO_SANITIZED:-}" ] && [ "$difference" -gt $((10 * 1024)) ]; then
    echo "FAIL: the idle saver's peak is $difference KiB above the window's (at most 10240)" >&2
    exit 1
fi
