#!/usr/bin/env bash
# Installs what is missing, builds, and starts the saver with your own settings. Without a display
# it shows what the saver does instead: it makes a few pictures of its own, runs the show in
# several display modes on a virtual X display with a private settings folder, and saves a
# screenshot of each.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
tools/build.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec build/app/quillo /S
fi

out="$PWD/quillo-screenshots"
work=$(mktemp -d "${TMPDIR:-/tmp}/quillo-run-XXXXXX")
mkdir -p "$out" "$work/pictures" "$work/config/Quillo" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
export SDL_AUDIODRIVER=dummy
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" \
    >/dev/null 2>&1 &
xvfb=$!
saver=
trap '[ -n "$saver" ] && kill $saver 2>/dev/null; kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display")"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Pictures of different kinds and sizes: two JPEG photos-to-be and two bitmaps.
p="$work/pictures"
convert -size 900x600 gradient:gold-firebrick -swirl 120 -quality 90 "$p/sunset.jpg"
convert -size 480x640 radial-gradient:white-steelblue -quality 90 "$p/sky.jpeg"
convert -size 420x300 plasma:fractal -seed 7 "BMP3:$p/plasma.bmp"
convert -size 240x240 pattern:checkerboard -fill '#2a7' -opaque black "BMP3:$p/tiles.BMP"

# show MODE NAME SECONDS [OPTIONS]: runs the show in one mode and keeps a screenshot of it.
show() {
    local mode=$1 name=$2 seconds=$3 options=${4:-}
    {
        echo "[Options]"
        echo "Picdis=$mode"
        echo "Sound=0"
        echo "Time=1200"
        for o in $options; do echo "$o"; done
        echo "[JpegConfig]"
        local n=1
        for f in "$p/sunset.jpg" "$p/plasma.bmp" "$p/sky.jpeg" "$p/tiles.BMP"; do
            echo "Name$n=$f"
            n=$((n + 1))
        done
        for n in $(seq 5 1000); do echo "Name$n=Null"; done
        echo "[WavConfig]"
        for n in $(seq 1 1000); do echo "Name$n=Null"; done
    } >"$XDG_CONFIG_HOME/Quillo/quillo51.ini"
    build/app/quillo /S &
    saver=$!
    sleep "$seconds"
    import -window root "$out/mode$mode-$name.png"
    kill -TERM "$saver" 2>/dev/null || true
    wait "$saver" 2>/dev/null || true
    saver=
    echo "  mode $mode ($name): $out/mode$mode-$name.png"
}

echo "No display here: the saver ran on a virtual 1280x800 display with pictures of its own."
show 1 stretched 1.6
show 2 natural-size 2.9 Color=3
show 4 tiles 5.6
show 5 custom-size 1.6 "Width=640 Height=360 Color=2"
show 6 overlapping 5.6
