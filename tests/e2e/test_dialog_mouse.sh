#!/usr/bin/env bash
# The settings dialog under a window manager, used with the mouse: the thumbnail follows a click
# in the picture list; a tap on the title bar (press and release with no time between) leaves the
# dialog where it is; the About box is the dialog's own box (transient for it), not a window with
# a taskbar entry of its own.
source "$(dirname "$0")/lib.sh"
start_xvfb 1280x1024
start_openbox
export HOME="$E2E_TMP/home"
mkdir -p "$HOME"
for colour in red green blue; do convert -size 64x48 "xc:$colour" "$E2E_TMP/$colour.bmp"; done
write_settings "Sound=0" "$E2E_TMP/red.bmp" "$E2E_TMP/green.bmp" "$E2E_TMP/blue.bmp"

start_quillo /C
wait_window "Quillo Screensaver Creator Settings" 20
window=$(xdotool search --onlyvisible --name "Quillo Screensaver Creator Settings" | head -1)
eval "$(xdotool getwindowgeometry --shell "$window")"  # X, Y, WIDTH, HEIGHT
cx=$((X + 3)) cy=$((Y + 21))
# The middle of the thumbnail (152, 29, 126 x 88 in "Picture Options" at 6, 135), and of the
# picture list's line N (lines 13 pixels high from the list's top at 4, 16, inside its frame).
tx=$((cx + 6 + 152 + 63)) ty=$((cy + 135 + 29 + 44))
line_x=$((cx + 4 + 60))
line_y() { echo $((cy + 16 + 2 + ($1 - 1) * 13 + 6)); }
wait_pixel "$tx" "$ty" 255,0,0

# Line 3, then line 2 with the button held 120 ms: the thumbnail shows each.
xdotool mousemove "$line_x" "$(line_y 3)" click 1
wait_pixel "$tx" "$ty" 0,0,255
xdotool mousemove "$line_x" "$(line_y 2)" mousedown 1 sleep 0.12 mouseup 1
wait_pixel "$tx" "$ty" 0,128,0

# Taps on the title bar (a click, and a press and release with no time between), each followed by
# the pointer going elsewhere: the dialog stays where it is.
for tap in "click 1" "mousedown 1 mouseup 1"; do
    # shellcheck disable=SC2086
    xdotool mousemove $((cx + 200)) $((cy - 10)) $tap
    xdotool mousemove $((cx + 300)) $((cy + 200)) sleep 0.3 mousemove $((cx + 350)) $((cy + 250)) sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$window")"
    [[ $X == $((cx - 3)) && $Y == $((cy - 21)) ]] ||
        fail "after a tap ($tap) on the title bar the dialog followed the pointer to $X,$Y"
done

# "About" (480, 463, 109 x 21): a box transient for the dialog.
xdotool mousemove $((cx + 480 + 54)) $((cy + 463 + 10)) click 1
wait_window "Quillo Screensaver Creator" 10
about=$(xdotool search --onlyvisible --name '^Quillo Screensaver Creator$' | head -1)
owner=$(xprop -id "$about" WM_TRANSIENT_FOR | sed -n 's/.*window id # //p')
[[ -n $owner && $((owner)) == "$window" ]] ||
    fail "the About box is not the dialog's own (transient for '${owner:-nothing}', not $window)"
echo "e2e dialog mouse: all checks passed"
