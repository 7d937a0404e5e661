#!/usr/bin/env bash
# The time from input to the saver's end in the middle of a fade (mode 11): a key, a click and a
# 60-pixel move, each sent about 1 s into the first fade, RUNS runs of each (default 20), on a
# fresh 640x480 Xvfb. The input is sent through the XTEST extension; the time runs from just
# before the request until the process is reaped (a blocking wait, so no polling adds to it).
# Prints the median and the maximum per input and over all runs.
# Usage: bench/fade_wake.sh QUILLO [RUNS]
set -euo pipefail
source "$(dirname "$0")/lib.sh"
quillo="$(realpath "$1")"
runs="${2:-20}"

work="$(mktemp -d)"
xvfb=
cleanup() {
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# Two screen-sized pictures, so the centre pixel is always in the fade; the next tick 20 s away.
convert -size 640x480 "xc:rgb(200,0,250)" -type TrueColor "BMP3:$work/old.bmp"
convert -size 640x480 "xc:rgb(0,200,50)" -type TrueColor "BMP3:$work/new.bmp"
mkdir -p "$work/config/Quillo" "$work/runtime"
chmod 700 "$work/runtime"
{
    printf '[Options]\nSound=0\nSeq=1\nColor=4\nTime=20000\nPicdis=11\n'
    slots JpegConfig "$work/old.bmp" "$work/new.bmp"
} >"$work/config/Quillo/quillo51.ini"

bench_xvfb 640x480 "$work/display"

DISPLAY="$display" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
    /usr/bin/python3 - "$quillo" "$runs" <<'PY'
import statistics, subprocess, sys, time
from Xlib import X, XK, display
from Xlib.ext import xtest

quillo, runs = sys.argv[1], int(sys.argv[2])
d = display.Display()
root = d.screen().root
space = d.keysym_to_keycode(XK.string_to_keysym("space"))

def centre():
    data = root.get_image(320, 240, 1, 1, X.ZPixmap, 0xFFFFFFFF).data
    return data[2], data[1], data[0]

def fading(rgb):
    r, g, b = rgb
    return 0 < r <= 200 and g < 200 and 50 < b <= 250

inputs = {
    "key": ((X.KeyPress, space, {}), (X.KeyRelease, space, {})),
    "click": ((X.ButtonPress, 1, {}), (X.ButtonRelease, 1, {})),
    "move 60 px": ((X.MotionNotify, 0, {"x": 380, "y": 240}), None),
}
times = {name: [] for name in inputs}
for run in range(runs):
    for name, (send, undo) in inputs.items():
        xtest.fake_input(d, X.MotionNotify, x=320, y=240)
        d.sync()
        child = subprocess.Popen([quillo, "/S"], stdout=subprocess.DEVNULL,
                                 stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 20
        while not fading(centre()):
            if time.monotonic() > deadline:
                child.kill()
                sys.exit(f"run {run}, {name}: no fade began")
            time.sleep(0.005)
        time.sleep(1.0)
        kind, detail, where = send
        sent = time.monotonic()
        xtest.fake_input(d, kind, detail, **where)
        d.sync()
        child.wait()
        times[name].append((time.monotonic() - sent) * 1000)
        if undo:
            xtest.fake_input(d, undo[0], undo[1])
            d.sync()

def line(name, values):
    return (f"{name:>10}: median {statistics.median(values):6.1f} ms, "
            f"max {max(values):6.1f} ms over {len(values)} runs")

for name, values in times.items():
    print(line(name, values))
print(line("all", [t for values in times.values() for t in values]))
PY
