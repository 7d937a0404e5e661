#!/usr/bin/env bash
# Installs what is missing, builds, and starts the saver. Without a display it runs the saver on a
# virtual X display for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec build/app/quillo /S
fi
shot="$PWD/quillo-screenshot.png"
number=$(mktemp)
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$number" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$number"' EXIT
for _ in $(seq 100); do [ -s "$number" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$number")"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
build/app/quillo /S &
saver=$!
sleep 4
import -window root "$shot"
kill -TERM "$saver" 2>/dev/null || true
wait "$saver" 2>/dev/null || true
echo "No display here: the saver ran on a virtual display; screenshot saved to $shot"
