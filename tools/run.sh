#!/usr/bin/env bash
# Installs what is missing, builds, and starts the saver with your own settings. Without a display
# it shows what the saver does instead: it makes a few pictures of its own, runs the show in
# several display modes on a virtual X display with a private settings folder, then on two
# virtual monitors, and saves a screenshot of each.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec build/app/quillo /S
fi

out="$PWD/quillo-screenshots"
mkdir -p "$out"
source tools/showcase.sh
showcase_display 1280x800

# show MODE NAME SECONDS [OPTIONS]: runs the show in one mode and keeps a screenshot of it.
show() {
    local mode=$1 name=$2 seconds=$3
    shift 3
    showcase_mode "$mode" "$seconds" "$out/mode$mode-$name.png" "$@"
    echo "  mode $mode ($name): $out/mode$mode-$name.png"
}

echo "No display here: the saver ran on a virtual 1280x800 display, then on two, with" \
    "pictures of its own."
show 1 stretched 1.6
show 2 natural-size 2.9 Color=3
show 4 tiles 5.6
show 5 custom-size 1.6 Width=640 Height=360 Color=2
show 6 overlapping 5.6
show 9 rounded-corners 3.0 Color=2
show 11 fade 2.6
# Each photo moving slowly through itself, then cross-fading into the next, both moving.
SHOWCASE_PICTURES="$p/sunset.jpg $p/large1.jpg" show 12 pan-and-zoom 2.7
# A phone photo whose file says "turn me", shown upright; two photos larger than the screen,
# fading into each other whole with Fit on.
SHOWCASE_PICTURES="$p/phone.jpg" show 2 upright-photo 2.0 Color=3
SHOWCASE_PICTURES="$p/large1.jpg $p/large2.jpg" show 11 fade-fit 3.0 Fit=1
# Two monitors side by side, each showing its own pictures.
showcase_two_monitors 1280x800
SHOWCASE_PICTURES="$p/sunset.jpg $p/sky.jpeg $p/plasma.bmp $p/tiles.BMP" \
    show 2 two-screens 1.6 Color=3 AllScreens=1
