#!/usr/bin/env bash
# The settings dialog with no window manager on a screen smaller than itself (640x480): it opens
# at the top-left corner, dragging its title bar moves it, and Shift+Tab from the first control
# reaches "Ok - Save", which Space presses.
source "$(dirname "$0")/lib.sh"
start_xvfb 640x480
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
xdotool mousemove 200 10
start_quillo /C
wait_window "Quillo Screensaver Creator Settings" 20
window=$(xdotool search --onlyvisible --name "Quillo Screensaver Creator Settings" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ $X == 0 && $Y == 0 ]] || fail "the dialog opened at $X,$Y, not at 0,0"
# The caption's text: white while the dialog has the focus, light grey while it has not (with no
# window manager nothing gives it the focus).
caption_text() { count_colour "$E2E_TMP/shot.png" 4 4 250 16 "$1"; }
title_shown() {
    screenshot "$E2E_TMP/shot.png" &&
        [ $(($(caption_text 255,255,255) + $(caption_text 212,208,200))) -gt 50 ]
}
wait_for 10 title_shown || fail "the title bar is not on the screen"
xdotool mousedown 1 sleep 0.3 mousemove 230 30 sleep 0.1 mousemove 260 50 sleep 0.1 mouseup 1
eval "$(xdotool getwindowgeometry --shell "$window")"
[[ $X == 60 && $Y == 40 ]] || fail "dragging the title bar by 60,40 moved the dialog to $X,$Y"
xdotool key shift+Tab sleep 0.2 key space
wait_exit "$QUILLO_PID" 10 || fail "Ok - Save by keyboard did not end the program"
grep -qx "Seq=1" "$XDG_CONFIG_HOME/Quillo/quillo51.ini" || fail "the options were not saved"
echo "e2e dialog without a window manager: all checks passed"
