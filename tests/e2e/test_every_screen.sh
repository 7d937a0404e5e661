#!/usr/bin/env bash
# A desk of two monitors of different sizes: with AllScreens each shows pictures of its own, dealt
# in screen order; without it the second stays black. A monitor that goes leaves the show running.
source "$(dirname "$0")/lib.sh"
start_xvfb 1600x900
# Left 1000x700 (the primary), right 600x400 beside it.
xrandr --setmonitor LEFT 1000/264x700/185+0+0 screen >/dev/null
xrandr --setmonitor RIGHT 600/158x400/105+1000+0 none >/dev/null
# The desktop behind them is magenta, so an uncovered pixel shows.
xsetroot -solid magenta
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
for c in red lime blue yellow; do convert -size 40x30 "xc:$c" "BMP3:$pics/$c.bmp"; done
four=("$pics/red.bmp" "$pics/lime.bmp" "$pics/blue.bmp" "$pics/yellow.bmp")
# The pointer rests on the second monitor.
xdotool mousemove 1300 200

# shows RGB_LEFT RGB_RIGHT: one screenshot has those colours at the centres of both monitors.
shows() {
    screenshot "$E2E_TMP/shot.png"
    [ "$(pixel 500 350 "$E2E_TMP/shot.png")" = "$1" ] &&
        [ "$(pixel 1300 200 "$E2E_TMP/shot.png")" = "$2" ]
}

# Mode 2, in order: the first tick shows pictures 1 and 2, the second 3 and 4, each whole and
# centred on its own monitor (left at 480,335; right at 1000 + 280, 185).
write_settings "Picdis=2 Time=3000 Color=4 Sound=0 AllScreens=1" "${four[@]}"
start_quillo /S
wait_for 10 shows 255,0,0 0,255,0 || fail "the first tick did not show pictures 1 and 2"
[ "$(count_colour "$E2E_TMP/shot.png" 480 335 40 30 255,0,0)" -eq 1200 ] ||
    fail "picture 1 is not whole at the centre of the first monitor"
[ "$(count_colour "$E2E_TMP/shot.png" 1280 185 40 30 0,255,0)" -eq 1200 ] ||
    fail "picture 2 is not whole at the centre of the second monitor"
wait_for 10 shows 0,0,255 255,255,0 || fail "the second tick did not show pictures 3 and 4"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key with the pointer on the second monitor did not end the saver"

# Without AllScreens the second monitor is covered black and shows nothing.
write_settings "Picdis=2 Time=3000 Color=4 Sound=0" "${four[@]}"
start_quillo /S
wait_for 10 shows 255,0,0 0,0,0 || fail "without AllScreens the second monitor is not black"
[ "$(count_colour "$E2E_TMP/shot.png" 1000 0 600 400 0,0,0)" -eq 240000 ] ||
    fail "without AllScreens something shows on the second monitor"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"

# A monitor unplugged in the middle of the show: the other goes on to its next picture, and the
# saver still ends on a key; one plugged in again gets a show of its own.
write_settings "Picdis=2 Time=3000 Color=4 Sound=0 AllScreens=1" "${four[@]}"
start_quillo /S
wait_for 10 shows 255,0,0 0,255,0 || fail "the first tick did not show pictures 1 and 2"
xrandr --delmonitor RIGHT >/dev/null
wait_pixel 500 350 0,0,255 10
kill -0 "$QUILLO_PID" 2>/dev/null || fail "the saver ended when a monitor went"
xrandr --setmonitor RIGHT 600/158x400/105+1000+0 none >/dev/null
right_shows_a_picture() {
    local seen
    seen=$(pixel 1300 200)
    [ "$seen" != 0,0,0 ] && [ "$seen" != 255,0,255 ]
}
wait_for 10 right_shows_a_picture || fail "a monitor plugged in again shows no picture"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver after the monitors changed"
echo "e2e every screen: all checks passed"
