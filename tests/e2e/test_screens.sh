#!/usr/bin/env bash
# Every monitor and every pixel: a second screen goes black and takes input like the first; on a
# scaled screen the show is drawn in device pixels.
source "$(dirname "$0")/lib.sh"
# Two monitors on one X screen, as RandR reports a desktop's: 800x600 (primary), then 640x480 to
# its right. The desktop behind them is magenta, so an uncovered pixel shows.
start_xvfb 1440x600
xrandr --setmonitor '*left' 800/203x600/152+0+0 screen >/dev/null
xrandr --setmonitor right 640/162x480/122+800+0 none >/dev/null
xsetroot -solid magenta
pics="$E2E_TMP/pictures"
mkdir -p "$pics"
convert -size 40x30 xc:red "BMP3:$pics/red.bmp"
convert -size 201x101 xc:lime "BMP3:$pics/lime.bmp"

# The information window on the primary screen, black on the second one.
xdotool mousemove 1000 200
start_quillo /S
wait_window zadarovi
wait_pixel 5 5 255,255,255
shot="$E2E_TMP/shot.png"
[ "$(pixel 5 5 "$shot")" = "255,255,255" ] || fail "the primary screen does not show the saver"
[ "$(count_colour "$shot" 800 0 640 480 0,0,0)" -eq $((640 * 480)) ] ||
    fail "the second screen is not black"
[ "$(count_colour "$shot" 0 0 1440 480 255,0,255)" -eq 0 ] || fail "desktop pixels show"
# Moves on the second screen count from the start position in the same coordinates.
xdotool mousemove 1040 240
sleep 0.7
kill -0 "$QUILLO_PID" 2>/dev/null || fail "a 40-pixel move on the second screen ended the saver"
xdotool mousemove 1056 200
wait_exit "$QUILLO_PID" 5 || fail "a 56-pixel move on the second screen did not end the saver"
# A screen unplugged and plugged in again while the saver runs: it goes on, covering the new one.
start_quillo /S
wait_window zadarovi
sleep 0.5
xrandr --delmonitor right >/dev/null
wait_pixel 1000 100 255,0,255 5  # its cover went with it
kill -0 "$QUILLO_PID" 2>/dev/null || fail "the saver ended when a screen went away"
xrandr --setmonitor right 640/162x480/122+800+0 none >/dev/null
wait_pixel 1000 100 0,0,0 5
xdotool click 1
wait_exit "$QUILLO_PID" 5 || fail "a click on the second screen did not end the saver"

# scaled ENV...: mode 2 shows the lime picture pixel for pixel at the centre of the 800x600
# primary screen, and mode 1 fills every device pixel, under that scaling.
scaled() {
    local -x "$@"  # for the saver started here
    write_settings "Picdis=2 Color=3 Time=60000 Sound=0" "$pics/lime.bmp"
    xdotool mousemove 400 300
    start_quillo /S
    wait_pixel 300 250 0,255,0
    expect_count 0 0 1440 600 0,255,0 $((201 * 101)) "$*: mode 2 is not pixel for pixel"
    [ "$(pixel 500 350 "$E2E_TMP/shot.png")" = "0,255,0" ] || fail "$*: mode 2 picture misplaced"
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "$*: a key did not end the saver"
    write_settings "Picdis=1 Time=60000 Sound=0" "$pics/red.bmp"
    start_quillo /S
    wait_pixel 0 0 255,0,0
    expect_count 0 0 800 600 255,0,0 $((800 * 600)) "$*: mode 1 leaves device pixels unfilled"
    xdotool key space
    wait_exit "$QUILLO_PID" 5 || fail "$*: a key did not end the saver"
}
scaled QT_SCALE_FACTOR=2
scaled QT_SCALE_FACTOR=1.5
echo "Xft.dpi: 192" | xrdb -merge
scaled QT_SCALE_FACTOR=1  # the screen factor of 2 alone
echo "e2e screens: all checks passed"
