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

# Mirrored and nested monitors: one with the same geometry as LEFT, then one inside it (the
# primary), each shown by LEFT's show, with AllScreens on and off. The show's picture is seen,
# and no window of ours (a cover or a second show) lies over it: the saver has one window for
# LEFT and one for RIGHT. QUILLO_E2E_RUNS runs of each (2 unless set).
runs=${QUILLO_E2E_RUNS:-2}
our_windows() { xdotool search --onlyvisible --pid "$QUILLO_PID" 2>/dev/null | wc -l; }
nested() {
    local name=$1 geometry=$2 all seen
    xrandr --setmonitor "$name" "$geometry" none >/dev/null
    for all in 1 0; do
        local right=0,255,0
        [ "$all" = 1 ] || right=0,0,0
        write_settings "Picdis=2 Time=3000 Color=4 Sound=0 AllScreens=$all" "${four[@]}"
        seen=0
        for run in $(seq "$runs"); do
            xdotool mousemove 1300 200
            start_quillo /S
            wait_for 10 shows 255,0,0 "$right" ||
                fail "$name, AllScreens=$all, run $run: the show's picture is not seen"
            [ "$(our_windows)" -eq 2 ] ||
                fail "$name, AllScreens=$all, run $run: $(our_windows) windows, not 2"
            seen=$((seen + 1))
            xdotool key space
            wait_exit "$QUILLO_PID" 5 || fail "$name: a key did not end the saver"
        done
        echo "$name, AllScreens=$all: pictures in $seen runs of $runs"
    done
    xrandr --delmonitor "${name#\*}" >/dev/null
}
nested MIRROR 1000/264x700/185+0+0
nested '*INNER' 600/158x400/105+200+150

# A monitor lying partly over LEFT: its cover takes only what LEFT's show does not. With no
# pictures, the show is white.
xrandr --setmonitor OVER 400/106x400/106+800+300 none >/dev/null
write_settings "Sound=0"
xdotool mousemove 500 350
start_quillo /S
wait_pixel 900 500 255,255,255
# Whatever the stacking: the cover raised above the show leaves the show whole.
for w in $(xdotool search --onlyvisible --pid "$QUILLO_PID"); do
    xdotool getwindowgeometry "$w" | grep -q "Geometry: 400x400" && xdotool windowraise "$w"
done
expect_count 800 300 200 400 0,0,0 0 "a cover lies over LEFT's show"
expect_count 1000 400 200 300 0,0,0 60000 "the part of OVER beside LEFT is not covered"
xdotool key space
wait_exit "$QUILLO_PID" 5 || fail "a key did not end the saver"
xrandr --delmonitor OVER >/dev/null
echo "e2e every screen: all checks passed"
