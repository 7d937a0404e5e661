# Shared by tools/run.sh and tools/screenshots.sh: the real saver on a virtual X display of its own,
# with a private settings folder and pictures made here, photographed mode by mode. Source it from
# the repository's root after building; it sets an EXIT trap that cleans up.

SHOWCASE_WORK=$(mktemp -d "${TMPDIR:-/tmp}/quillo-show-XXXXXX")
SHOWCASE_XVFB=
SHOWCASE_PID=
showcase_cleanup() {
    [ -n "$SHOWCASE_PID" ] && kill "$SHOWCASE_PID" 2>/dev/null || true
    [ -n "$SHOWCASE_XVFB" ] && kill "$SHOWCASE_XVFB" 2>/dev/null || true
    rm -rf "$SHOWCASE_WORK"
}
trap showcase_cleanup EXIT
mkdir -p "$SHOWCASE_WORK/pictures" "$SHOWCASE_WORK/config/Quillo" "$SHOWCASE_WORK/runtime"
chmod 700 "$SHOWCASE_WORK/runtime"
export XDG_CONFIG_HOME="$SHOWCASE_WORK/config" XDG_RUNTIME_DIR="$SHOWCASE_WORK/runtime"
export HOME="$SHOWCASE_WORK" SDL_AUDIODRIVER=dummy
unset QT_QPA_PLATFORM QT_SCALE_FACTOR

# showcase_display WIDTHxHEIGHT: starts the virtual display and points DISPLAY at it.
showcase_display() {
    Xvfb -displayfd 3 -noreset -screen 0 "$1x24" -nolisten tcp 3>"$SHOWCASE_WORK/display" \
        >/dev/null 2>&1 &
    SHOWCASE_XVFB=$!
    for _ in $(seq 100); do [ -s "$SHOWCASE_WORK/display" ] && break; sleep 0.1; done
    export DISPLAY=":$(head -n 1 "$SHOWCASE_WORK/display")"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
}

# showcase_two_monitors WIDTHxHEIGHT: the virtual display started again, twice as wide, as two
# monitors of that size side by side (at 96 dots per inch).
showcase_two_monitors() {
    local w=${1%x*} h=${1#*x}
    kill "$SHOWCASE_XVFB" 2>/dev/null || true
    wait "$SHOWCASE_XVFB" 2>/dev/null || true
    showcase_display "$((2 * w))x$h"
    local size="$w/$((w * 254 / 960))x$h/$((h * 254 / 960))"
    xrandr --setmonitor LEFT "$size+0+0" screen >/dev/null
    xrandr --setmonitor RIGHT "$size+$w+0" none >/dev/null
}

# Pictures of different kinds and sizes: two JPEG photos-to-be and two bitmaps.
p="$SHOWCASE_WORK/pictures"
convert -size 900x600 gradient:gold-firebrick -swirl 120 -quality 90 "$p/sunset.jpg"
convert -size 480x640 radial-gradient:white-steelblue -quality 90 "$p/sky.jpeg"
convert -size 420x300 plasma:fractal -seed 7 "BMP3:$p/plasma.bmp"
convert -size 240x240 pattern:checkerboard -fill '#2a7' -opaque black "BMP3:$p/tiles.BMP"

# A phone photo stored sideways, as cameras do, with an Exif orientation that says "turn me 90
# degrees clockwise": sky on the left, ground on the right, an arrow pointing left. Shown upright,
# the sky is on top and the arrow points up.
convert -size 420x640 gradient:skyblue-forestgreen -rotate -90 -fill white \
    -draw "polygon 60,210 200,110 200,170 380,170 380,250 200,250 200,310" -quality 90 \
    "$SHOWCASE_WORK/sideways.jpg"
{
    head -c 2 "$SHOWCASE_WORK/sideways.jpg"
    # APP1 "Exif": little-endian TIFF header, one directory entry: orientation (0x0112) = 6.
    printf '\xff\xe1\x00\x22Exif\x00\x00II\x2a\x00\x08\x00\x00\x00\x01\x00'
    printf '\x12\x01\x03\x00\x01\x00\x00\x00\x06\x00\x00\x00\x00\x00\x00\x00'
    tail -c +3 "$SHOWCASE_WORK/sideways.jpg"
} >"$p/phone.jpg"
# Two photos twice as large as a 1280x800 screen, framed, with a circle in the middle: with Fit
# on they are shown whole.
for pair in navy-orange:large1 darkgreen-khaki:large2; do
    convert -size 1600x2560 "gradient:${pair%%:*}" -rotate 90 -fill none -stroke white \
        -strokewidth 24 -draw "rectangle 12,12 2547,1587" -draw "circle 1280,800 1280,1300" \
        -quality 90 "$p/${pair##*:}.jpg"
done
SHOWCASE_PICTURES="$p/sunset.jpg $p/plasma.bmp $p/sky.jpeg $p/tiles.BMP"

# showcase_settings MODE [KEY=VALUE...]: the settings file with the pictures of
# SHOWCASE_PICTURES (up to 1000, in order) and those options.
showcase_settings() {
    local mode=$1
    shift
    {
        echo "[Options]"
        echo "Picdis=$mode"
        echo "Sound=0"
        echo "Time=1200"
        for o in "$@"; do echo "$o"; done
        echo "[JpegConfig]"
        local n=1 f
        for f in $SHOWCASE_PICTURES; do
            echo "Name$n=$f"
            n=$((n + 1))
        done
        for n in $(seq "$n" 1000); do echo "Name$n=Null"; done
        echo "[WavConfig]"
        for n in $(seq 1 1000); do echo "Name$n=Null"; done
    } >"$XDG_CONFIG_HOME/Quillo/quillo51.ini"
}

# showcase_mode MODE SECONDS FILE [KEY=VALUE...]: runs the show in one mode for that long and
# keeps a screenshot of the whole screen.
showcase_mode() {
    local mode=$1 seconds=$2 file=$3
    shift 3
    showcase_settings "$mode" "$@"
    build/app/quillo /S &
    SHOWCASE_PID=$!
    sleep "$seconds"
    import -window root "$file"
    kill -TERM "$SHOWCASE_PID" 2>/dev/null || true
    wait "$SHOWCASE_PID" 2>/dev/null || true
    SHOWCASE_PID=
}
