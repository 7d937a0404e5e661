#!/usr/bin/env bash
# Makes the README's pictures from the real program: a screenshot of each display mode and of the
# settings dialog, taken on a virtual X display, into docs/screenshots/. Run it again whenever
# the look changes.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh
out=docs/screenshots
mkdir -p "$out"
source tools/showcase.sh
showcase_display 1280x800

# mode NUMBER NAME SECONDS [OPTIONS]: the screen after that long, halved for the page.
mode() {
    local number=$1 name=$2 seconds=$3
    shift 3
    showcase_mode "$number" "$seconds" "$SHOWCASE_WORK/shot.png" "$@"
    convert "$SHOWCASE_WORK/shot.png" -resize 50% -strip "$out/mode$number-$name.png"
    echo "$out/mode$number-$name.png"
}
mode 1 stretched 1.6
mode 2 natural-size 2.9 Color=3
mode 3 picture-in-picture 3.0 Color=2
mode 4 tiles 5.6
mode 5 custom-size 1.6 Width=640 Height=360 Color=2
mode 6 overlapping 5.6
mode 7 slide 2.5 Color=3
mode 8 roll-down 2.5 Color=1
mode 9 rounded-corners 3.0 Color=2
mode 10 circle-frame 3.0 Color=3
mode 11 fade 2.6
# Pan and zoom: the swirl cross-fading into the framed circle, both moving, half way through.
SHOWCASE_PICTURES="$p/sunset.jpg $p/large1.jpg" showcase_mode 12 2.7 "$SHOWCASE_WORK/shot.png"
convert "$SHOWCASE_WORK/shot.png" -resize 50% -strip "$out/pan-and-zoom.png"
echo "$out/pan-and-zoom.png"

# Fit: two photos twice the screen's size in the middle of a fade, without and with it.
shot() {
    local name=$1
    shift
    showcase_mode 11 3.0 "$SHOWCASE_WORK/shot.png" "$@"
    convert "$SHOWCASE_WORK/shot.png" -resize 50% -strip "$out/$name.png"
    echo "$out/$name.png"
}
SHOWCASE_PICTURES="$p/large1.jpg $p/large2.jpg"
shot fit-off Fit=0
shot fit-on Fit=1
SHOWCASE_PICTURES="$p/phone.jpg"
showcase_mode 2 2.0 "$SHOWCASE_WORK/shot.png" Color=3
convert "$SHOWCASE_WORK/shot.png" -resize 50% -strip "$out/upright-photo.png"
echo "$out/upright-photo.png"

# Captions: a beach photo (sky, sea, sand) taken on 14 July 2025 as the file's date says, at full
# size: the screen's bottom-left quarter, where the caption lies.
convert -size 1280x440 gradient:'#5fa8e0'-'#d8ecf8' -size 1280x120 gradient:'#1f6f9f'-'#6fb8d8' \
    -size 1280x240 gradient:'#e8d4a0'-'#c8a870' -append -quality 92 "$p/Beach at noon.jpg"
touch -d '2025-07-14 12:00:00' "$p/Beach at noon.jpg"
# (The list is split at spaces: the pattern finds the one name with them.)
SHOWCASE_PICTURES="$p/Beach?at?noon.jpg"
LC_ALL=C.UTF-8 showcase_mode 1 2.0 "$SHOWCASE_WORK/shot.png" Captions=1
convert "$SHOWCASE_WORK/shot.png" -crop 640x400+0+400 +repage -strip "$out/captions.png"
echo "$out/captions.png"
SHOWCASE_PICTURES="$p/sunset.jpg $p/plasma.bmp $p/sky.jpeg $p/tiles.BMP"

# The settings dialog over its own list of pictures, under a window manager as on a desktop.
showcase_settings 2 Color=3
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
done
build/app/quillo /C &
SHOWCASE_PID=$!
for _ in $(seq 100); do
    window=$(xdotool search --onlyvisible --name "Quillo Screensaver Creator Settings" 2>/dev/null |
        head -n 1) && [ -n "$window" ] && break
    sleep 0.1
done
sleep 1
import -window "$window" -strip "$out/settings-dialog.png"
kill -TERM "$SHOWCASE_PID" 2>/dev/null || true
wait "$SHOWCASE_PID" 2>/dev/null || true
SHOWCASE_PID=
kill "$wm" 2>/dev/null || true
echo "$out/settings-dialog.png"

# Two monitors side by side with a show on each: the first tick, pictures 1 and 2.
showcase_two_monitors 1280x800
SHOWCASE_PICTURES="$p/sunset.jpg $p/sky.jpeg $p/plasma.bmp $p/tiles.BMP"
showcase_mode 2 1.6 "$SHOWCASE_WORK/shot.png" Color=3 AllScreens=1
convert "$SHOWCASE_WORK/shot.png" -resize 50% -strip "$out/two-screens.png"
echo "$out/two-screens.png"
