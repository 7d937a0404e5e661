#!/usr/bin/env bash
# The idle saver's peak memory (no pictures, full screen) against an ordinary full-screen Qt
# window in a program that links SDL2_mixer (bench/idle_window.cpp): each alone on a fresh
# 1920x1080 Xvfb with the xcb platform plugin, its VmHWM read after SECONDS, then ended. Prints
# "<saver KiB> <window KiB> <difference KiB>" and a line for people; medians of REPEATS runs.
# Usage: bench/idle_memory.sh QUILLO IDLE_WINDOW [SECONDS] [REPEATS]   (defaults 3 and 3)
set -euo pipefail
quillo="$1"
window="$2"
seconds="${3:-3}"
repeats="${4:-3}"

work="$(mktemp -d)"
xvfb=
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/Quillo" "$work/runtime"
chmod 700 "$work/runtime"
{
    printf '[Options]\nSound=0\nColor=1\nTime=5000\nPicdis=11\n[JpegConfig]\n'
    for n in $(seq 1 1000); do echo "Name$n=Null"; done
} >"$work/Quillo/quillo51.ini"

# peak PROGRAM...: its VmHWM in KiB, SECONDS after its start on a display of its own.
peak() {
    local number="$work/display" pid hwm
    : >"$number"
    Xvfb -displayfd 3 -noreset -screen 0 1920x1080x24 -nolisten tcp 3>"$number" \
        >/dev/null 2>&1 &
    xvfb=$!
    for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
    DISPLAY=":$(head -n 1 "$number")" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work" \
        XDG_RUNTIME_DIR="$work/runtime" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null \
        "$@" >/dev/null 2>&1 &
    pid=$!
    sleep "$seconds"
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    xvfb=
    [ -n "$hwm" ] || { echo "$1 ended before it was measured" >&2; exit 1; }
    echo "$hwm"
}

ours=()
theirs=()
for _ in $(seq "$repeats"); do
    ours+=("$(peak "$quillo" /S)")
    theirs+=("$(peak "$window")")
done
median() { printf '%s\n' "$@" | sort -n | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }
saver=$(median "${ours[@]}")
plain=$(median "${theirs[@]}")
echo "$saver $plain $((saver - plain))"
echo "idle saver VmHWM minus a full-screen Qt window with SDL2_mixer (1920x1080, xcb):" \
    "$(((saver - plain) / 1024)) MiB  ($((saver / 1024)) MiB against $((plain / 1024)) MiB)" >&2
