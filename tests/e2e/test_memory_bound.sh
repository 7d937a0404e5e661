#!/usr/bin/env bash
# The saver's peak memory (VmHWM) with pictures whose headers claim far more than their files
# hold, in every mode, on one screen and on two, with decoding ahead: at most 400 MiB whatever a
# file claims. And the peak of the fade and of the pan and zoom with real photos: at most the idle
# saver's peak plus 2.5 times a decoded photo per screen.
source "$(dirname "$0")/lib.sh"
start_xvfb 3840x1080
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
# Two small JPEGs whose frame headers claim 16384 x 16384 (one shown while the other is decoded
# ahead), and a bitmap header that claims 8000 x 8000 (24 bits) over a few bytes.
convert -size 64x64 gradient:red-blue -quality 80 "$pics/small.jpg"
python3 - "$pics" <<'EOF'
import struct, sys
d = sys.argv[1]
b = bytearray(open(d + "/small.jpg", "rb").read())
sof = b.find(b"\xff\xc0")
b[sof + 5:sof + 9] = struct.pack(">HH", 16384, 16384)
open(d + "/claims.jpg", "wb").write(b)
open(d + "/claims2.jpg", "wb").write(b)
w = h = 8000
head = struct.pack("<2sIHHI", b"BM", 54 + w * h * 3, 0, 0, 54)
head += struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, w * h * 3, 2835, 2835, 0, 0)
open(d + "/claims.bmp", "wb").write(head + bytes(4096))
EOF
# The fade's photos: 12-megapixel JPEGs, and bitmaps that are read and decoded whole unless the
# decoder keeps only the screen's part of them.
convert -size 4000x3000 gradient:navy-orange -quality 85 "$pics/photo1.jpg"
convert -size 4000x3000 gradient:green-white -quality 85 "$pics/photo2.jpg"
convert -size 2400x1600 gradient:navy-orange "$pics/photo1.bmp"
convert -size 2400x1600 gradient:green-white "$pics/photo2.bmp"

# one_screen / two_screens: the saver sees one 1920x1080 monitor, or two side by side.
one_screen() {
    xrandr --delmonitor LEFT >/dev/null 2>&1 || true
    xrandr --delmonitor RIGHT >/dev/null 2>&1 || true
    xrandr --setmonitor LEFT 1920/508x1080/286+0+0 screen >/dev/null
}
two_screens() {
    one_screen
    xrandr --setmonitor RIGHT 1920/508x1080/286+1920+0 none >/dev/null
}

# peak_kib SECONDS "OPTIONS" PICTURE...: runs the saver that long and prints its VmHWM in KiB.
peak_kib() {
    local seconds=$1 options=$2
    shift 2
    write_settings "$options Time=1000 Seq=1 Color=4 Sound=0" "$@"
    start_quillo /S
    sleep "$seconds"
    kill -0 "$QUILLO_PID" 2>/dev/null || fail "the saver ended early with $options"
    local kib
    kib=$(awk '/^VmHWM:/ { print $2 }' "/proc/$QUILLO_PID/status")
    kill "$QUILLO_PID"
    wait_exit "$QUILLO_PID" 5 || fail "the saver did not end on SIGTERM"
    echo "$kib"
}

# within KIB LIMIT: the peak is within the limit. A sanitizer's shadow memory and quarantine are
# not the program's: under one every run is still made and its figures printed, but not judged.
within() {
    [ -n "${QUILLO_SANITIZED:-}" ] || [ "$1" -le "$2" ]
}

limit=$((400 * 1024))
for screens in one_screen two_screens; do
    "$screens"
    for mode in 1 2 3 4 5 6 7 8 9 10 11 12; do
        # Two ticks, each with the next picture decoded ahead.
        kib=$(peak_kib 2.5 "Picdis=$mode Width=1500 Height=1000 AllScreens=1" \
            "$pics/claims.jpg" "$pics/claims2.jpg" "$pics/claims.bmp")
        echo "claimed sizes, mode $mode, $screens: VmHWM $((kib / 1024)) MiB"
        within "$kib" "$limit" || fail "mode $mode on $screens peaks at $((kib / 1024)) MiB"
    done
done

# The fade, and the pan and zoom's cross-fade: two photos, two ticks (the second decoded ahead
# during the first), against the idle saver. One row a kind of photo: its width, height and files.
fade_photos=(
    "4000 3000 $pics/photo1.jpg $pics/photo2.jpg"
    "2400 1600 $pics/photo1.bmp $pics/photo2.bmp"
)
for screens in one_screen two_screens; do
    "$screens"
    count=$([ "$screens" = one_screen ] && echo 1 || echo 2)
    idle=$(peak_kib 2 "Picdis=11 AllScreens=1")
    for mode in 11 12; do
        for row in "${fade_photos[@]}"; do
            read -r width height first second <<<"$row"
            # The fade's decoded photo is counted at 3 bytes a pixel; the pan and zoom's as the
            # saver holds it, 4 bytes a pixel (its cross-fade holds two, both moving).
            bytes=$([ "$mode" = 11 ] && echo 3 || echo 4)
            photo=$((width * height * bytes / 1024))
            kib=$(peak_kib 4 "Picdis=$mode AllScreens=1" "$first" "$second")
            echo "mode $mode, ${width}x${height} .${first##*.}, $screens: idle $((idle / 1024))" \
                "MiB, peak $((kib / 1024)) MiB, $(((kib - idle) * 100 / photo / count))" \
                "hundredths of a decoded photo a screen"
            within "$kib" $((idle + count * photo * 5 / 2)) ||
                fail "mode $mode with ${first##*.} photos on $screens peaks at $((kib - idle)) KiB above idle"
        done
    done
done
