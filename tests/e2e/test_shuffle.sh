#!/usr/bin/env bash
# Shuffle: five plain-coloured pictures at random show five different colours in five ticks.
source "$(dirname "$0")/lib.sh"
start_xvfb 320x240
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
colours="red lime blue yellow magenta"
list=()
for c in $colours; do
    convert -size 16x16 "xc:$c" "BMP3:$pics/$c.bmp"
    list+=("$pics/$c.bmp")
done
xdotool mousemove 160 120

# Each picture is stretched over the screen; one tick every 1.5 s. A tick is seen as the colour
# at the centre changing (the deck never shows the same picture twice in a row), and the black
# between a hidden picture and the next is not a picture.
write_settings "Picdis=1 Seq=0 Shuffle=1 Color=4 Time=1500 Sound=0" "${list[@]}"
start_quillo /S
wait_window zadarovi
seen=()
last=
next_colour() {
    local now
    now=$(pixel 160 120)
    [ "$now" != "0,0,0" ] && [ "$now" != "$last" ] || return 1
    last=$now
    seen+=("$now")
}
for tick in 1 2 3 4 5; do
    wait_for 15 next_colour || fail "tick $tick: the picture did not change (seen: ${seen[*]})"
done
[ "$(printf '%s\n' "${seen[@]}" | sort -u | wc -l)" -eq 5 ] ||
    fail "five ticks showed ${seen[*]}, not five different colours"
for c in 255,0,0 0,255,0 0,0,255 255,255,0 255,0,255; do
    printf '%s\n' "${seen[@]}" | grep -qx "$c" || fail "$c not among ${seen[*]}"
done
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"
echo "e2e shuffle: all checks passed"
